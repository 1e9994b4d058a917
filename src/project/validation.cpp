#include "project/validation.h"

#include "app/user_interface.h"

bool CheckProjectExtension(std::string_view path) {
  std::string ending(path.size() < 4 ? path : path.substr(path.size() - 4));
  for (char& c : ending) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (ending == ".lqt" || ending == ".lqp") return true;
  ShowCatalogMessage("MsgUnsupportedExt");
  return false;
}
