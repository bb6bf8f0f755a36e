// The entries of every drop-down list of the option panels, in order. A list stores the
// position of its chosen entry.
#pragma once

#include <span>
#include <string>
#include <vector>

struct ChoiceTable {
  int barId;
  int controlId;
  std::vector<std::string> entries;
};

// Every list, in the order in which re-initialisation empties them.
std::span<const ChoiceTable> ChoiceTables();
// The table of list `controlId`; every list of the panels has one.
const ChoiceTable& ChoiceTableOf(int controlId);
// Appends the entries of list `controlId` to it, in order.
void AppendChoices(int controlId);
