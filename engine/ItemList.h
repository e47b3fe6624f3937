#pragma once

#include <QString>

namespace tarnwick::engine {

// The least a list control must offer for the list difference: items by index, removal by index.
class ItemList {
  public:
    virtual ~ItemList() = default;
    virtual int Count() const = 0;
    virtual QString Item(int index) const = 0;
    virtual void RemoveItem(int index) = 0;
};

}  // namespace tarnwick::engine
