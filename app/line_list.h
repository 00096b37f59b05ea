// Many short texts held one after another in one block.
#ifndef MORVELLAN_APP_LINE_LIST_H
#define MORVELLAN_APP_LINE_LIST_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// Lines held one after another in one block: many short lines then take
/// little more memory than their bytes.
class TLineList {
 public:
  void Add(std::string_view Line) {
    Text.append(Line);
    Ends.push_back(Text.size());
  }
  std::size_t size() const { return Ends.size(); }
  bool empty() const { return Ends.empty(); }
  std::string_view operator[](std::size_t Index) const {
    const std::size_t Begin = Index == 0 ? 0 : Ends[Index - 1];
    return std::string_view(Text).substr(Begin, Ends[Index] - Begin);
  }

 private:
  std::string Text;
  std::vector<std::size_t> Ends;
};

#endif
