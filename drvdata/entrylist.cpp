#include "drvdata/entrylist.h"

CEntryListBase::~CEntryListBase() { FreeAllNodes(); }

bool CEntryListBase::AppendPtr(void* entry) {
  if (m_pFree == nullptr) {
    Block* block = new (std::nothrow) Block;
    if (block == nullptr) return false;
    block->pNext = m_pBlocks;
    m_pBlocks = block;
    for (CEntryListNode& node : block->nodes) {
      node.pNext = m_pFree;
      m_pFree = &node;
    }
  }
  CEntryListNode* node = m_pFree;
  m_pFree = node->pNext;
  node->pEntry = entry;
  node->pNext = nullptr;
  node->pPrev = m_pTail;
  if (m_pTail != nullptr) {
    m_pTail->pNext = node;
  } else {
    m_pHead = node;
  }
  m_pTail = node;
  ++m_nCount;
  return true;
}

void* CEntryListBase::RemovePtrAt(EntryPos pos) {
  if (pos->pPrev != nullptr) {
    pos->pPrev->pNext = pos->pNext;
  } else {
    m_pHead = pos->pNext;
  }
  if (pos->pNext != nullptr) {
    pos->pNext->pPrev = pos->pPrev;
  } else {
    m_pTail = pos->pPrev;
  }
  void* entry = pos->pEntry;
  pos->pEntry = nullptr;
  pos->pPrev = nullptr;
  pos->pNext = m_pFree;
  m_pFree = pos;
  --m_nCount;
  return entry;
}

void CEntryListBase::FreeAllNodes() {
  while (m_pBlocks != nullptr) {
    Block* next = m_pBlocks->pNext;
    delete m_pBlocks;
    m_pBlocks = next;
  }
  m_pHead = m_pTail = m_pFree = nullptr;
  m_nCount = 0;
}
