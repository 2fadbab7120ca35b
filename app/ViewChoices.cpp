#include "ViewChoices.h"

#include <cstring>
#include <string>

const ViewChoice* FindViewByMode(int mode) {
  for (const ViewChoice& choice : kViewChoices) {
    if (choice.mode == mode) return &choice;
  }
  return nullptr;
}

const ViewChoice* FindViewByName(const char* name) {
  for (const ViewChoice& choice : kViewChoices) {
    if (choice.chosen && std::strcmp(choice.name, name) == 0) return &choice;
  }
  return nullptr;
}

const ViewChoice* FindViewByBox(int checkBox) {
  for (const ViewChoice& choice : kViewChoices) {
    if (checkBox != 0 && choice.checkBox == checkBox) return &choice;
  }
  return nullptr;
}

const char* ViewNameList() {
  static const std::string list = [] {
    std::string names;
    for (const ViewChoice& choice : kViewChoices) {
      if (!choice.chosen) continue;
      if (!names.empty()) names += ", ";
      names += choice.name;
    }
    return names;
  }();
  return list.c_str();
}
