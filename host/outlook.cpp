#include "host/outlook.h"

namespace host::outlook {

Ref<Item> AsPostItem(const Ref<Item>& item) {
  if (item && item->TypeName() != "PostItem") throw Error(kTypeMismatch, "Type mismatch");
  return item;
}

}  // namespace host::outlook
