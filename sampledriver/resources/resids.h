/* Resource ids of the sample package's resource and bitmap libraries: what the status
   monitor's tray agent loads from them by number. */
#ifndef SAMPLEDRIVER_RESOURCES_RESIDS_H
#define SAMPLEDRIVER_RESOURCES_RESIDS_H

/* Tray pictures, by printer state. */
#define IDI_TRAY_READY 700
#define IDI_TRAY_ATTENTION 701
#define IDI_TRAY_ERROR 702

/* The tray menu: its first submenu is the popup. */
#define IDR_TRAYMENU 801
#define ID_STATUS_WINDOW 900 /* position 0: the agent puts the printer's name there */
#define ID_MONITOR_PREFS 901

/* Extension commands of the sample setup data (menu key values "920" ...): the string
   with the id is the item's text, the bitmap with the id its picture. */
#define ID_EX_NOZZLE_CHECK 920
#define ID_EX_HEAD_CLEANING 921
#define ID_EX_GAP_ALIGNMENT 922
#define ID_EX_AUTO_CLEANING 923
#define ID_EX_DRIVER_UPDATE 930
#define ID_EX_CONFIGURATION 931
#define ID_EX_INK_ORDER 940
#define ID_EX_HELP 950
#define ID_EX_PAPER_SETTINGS 951   /* shell: program | parameters */
#define ID_EX_NETWORK_SETTINGS 952 /* shell: program /parameters */

#endif
