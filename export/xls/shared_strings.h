// The shared string table (SST, 0x00FC, and its CONTINUE records, 0x003C):
// every text cell refers to its text by index; each distinct text is stored
// once, in order of first use, as UTF-16LE.
//
//   SST body:       text cells u32, distinct texts u32, entries...
//   entry:          characters u16, option byte 0x01, UTF-16LE characters
//   CONTINUE body:  entries... (a text longer than one record goes on in the
//                   next record after an option byte 0x01)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvn::exporting {

constexpr uint16_t kRecSst = 0x00FC;
constexpr uint16_t kRecContinue = 0x003C;

class SharedStringTable {
 public:
  // Counts one text cell and returns the index of its text (UTF-8);
  // texts are compared exactly, case included.
  uint32_t Add(std::string_view text);
  uint32_t TextCells() const { return m_textCells; }
  size_t UniqueCount() const { return m_strings.size(); }
  // The SST record and its CONTINUE records, each body at most 8224 bytes.
  std::string Block() const;
  void Clear();

 private:
  // Views of the texts, which are kept in large blocks: a workbook holds
  // hundreds of thousands of short texts.
  std::string_view Keep(std::string_view text);
  void Grow();
  // The texts' index by hash, open addressing: each slot holds a text's index
  // plus one (0: empty) and the high half of its hash, so that a lookup
  // reads one array and compares a text only when the hashes agree.
  struct Slot {
    uint32_t index = 0;
    uint32_t hash = 0;
  };
  std::vector<Slot> m_slots;
  std::vector<std::string_view> m_strings;  // in index order
  std::vector<size_t> m_hashes;             // of each text, kept for growing
  std::vector<std::unique_ptr<char[]>> m_blocks;
  size_t m_blockFree = 0;
  char* m_blockAt = nullptr;
  uint32_t m_textCells = 0;
};

}  // namespace kvn::exporting
