#pragma once

#include <QString>
#include <QStringList>

#include "engine/ItemList.h"

namespace tarnwick::test {

// An ItemList over a plain string list.
class VectorItemList : public engine::ItemList {
  public:
    explicit VectorItemList(QStringList items = {}) : items(std::move(items)) {}
    int Count() const override { return static_cast<int>(items.size()); }
    QString Item(int index) const override { return items.at(index); }
    void RemoveItem(int index) override { items.removeAt(index); }
    QStringList items;
};

}  // namespace tarnwick::test
