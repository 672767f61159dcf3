#pragma once
// An ordered list of entry pointers that owns its entries: removing an entry deletes it.
// Nodes come in blocks of 10, so a list of many entries makes few allocations; freed
// nodes are reused and the blocks are released only when the list is emptied.
#include <cstddef>
#include <new>

// Position of an entry in a list; null means none.
struct CEntryListNode;
using EntryPos = CEntryListNode*;

struct CEntryListNode {
  CEntryListNode* pNext;
  CEntryListNode* pPrev;
  void* pEntry;
};

class CEntryListBase {
 public:
  CEntryListBase() = default;
  CEntryListBase(const CEntryListBase&) = delete;
  CEntryListBase& operator=(const CEntryListBase&) = delete;

  bool IsEmpty() const { return m_nCount == 0; }
  std::size_t GetCount() const { return m_nCount; }
  EntryPos GetHeadPosition() const { return m_pHead; }
  EntryPos GetTailPosition() const { return m_pTail; }

 protected:
  ~CEntryListBase();
  // False (and nothing appended) when no node could be allocated.
  bool AppendPtr(void* entry);
  // Unlinks the node and returns its entry, which the caller deletes.
  void* RemovePtrAt(EntryPos pos);
  // Unlinks every node and frees the blocks; the caller has deleted the entries.
  void FreeAllNodes();

 private:
  static constexpr std::size_t kBlockSize = 10;
  struct Block {
    Block* pNext;
    CEntryListNode nodes[kBlockSize];
  };
  CEntryListNode* m_pHead = nullptr;
  CEntryListNode* m_pTail = nullptr;
  CEntryListNode* m_pFree = nullptr;
  Block* m_pBlocks = nullptr;
  std::size_t m_nCount = 0;
};

template <typename T>
class CEntryList : public CEntryListBase {
 public:
  CEntryList() = default;
  virtual ~CEntryList() { RemoveAll(); }

  // Deletes every entry.
  virtual void RemoveAll() {
    for (EntryPos pos = GetHeadPosition(); pos != nullptr; pos = pos->pNext) delete static_cast<T*>(pos->pEntry);
    FreeAllNodes();
  }
  // Takes ownership only on success; on failure the caller still owns the entry.
  bool AddTail(T* entry) { return AppendPtr(entry); }
  // The entry at pos, and pos moved to the next one (null after the last).
  T* GetNext(EntryPos& pos) const {
    T* entry = static_cast<T*>(pos->pEntry);
    pos = pos->pNext;
    return entry;
  }
  T* GetAt(EntryPos pos) const { return pos == nullptr ? nullptr : static_cast<T*>(pos->pEntry); }
  // Removes the entry at pos and deletes it.
  void RemoveAt(EntryPos pos) {
    if (pos != nullptr) delete static_cast<T*>(RemovePtrAt(pos));
  }
};
