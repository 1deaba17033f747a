#include "ui/ComboBox.h"

#include "ui/NumberText.h"

#include <QAbstractItemModel>

namespace keywright::ui {

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this, &ComboBox::OnIndexChanged);
    // QComboBox moves the selection itself when entries come and go (the
    // first entry added to an empty list becomes current); those moves are
    // not the user's or the program's choice and raise nothing. Its own slots
    // are connected before these, so the guard spans them.
    auto hush = [this] {
        ++silent_;
    };
    auto speak = [this] {
        --silent_;
        shownIndex_ = currentIndex();
    };
    QAbstractItemModel* items = model();
    connect(items, &QAbstractItemModel::rowsAboutToBeInserted, this, hush);
    connect(items, &QAbstractItemModel::rowsInserted, this, speak);
    connect(items, &QAbstractItemModel::rowsAboutToBeRemoved, this, hush);
    connect(items, &QAbstractItemModel::rowsRemoved, this, speak);
    connect(items, &QAbstractItemModel::modelAboutToBeReset, this, hush);
    connect(items, &QAbstractItemModel::modelReset, this, speak);
}

bool ComboBox::SetCurSel(int index, bool notify) {
    if (index < -1 || index >= count())
        return false;
    if (!notify)
        ++silent_;
    setCurrentIndex(index);
    if (!notify)
        --silent_;
    shownIndex_ = currentIndex();
    return true;
}

void ComboBox::OnIndexChanged(int index) {
    const int previous = shownIndex_;
    shownIndex_ = index;
    if (silent_ > 0 || index == previous)
        return;
    Event event;
    event.id = kSelChangedEvent;
    event.value = index;
    event.previous = previous;
    RaiseEvent(this, event);
}

int ComboBox::AddItem(const QString& text, qint64 value) {
    addItem(text, value);
    return count() - 1;
}

qint64 ComboBox::ItemData(int index) const {
    return itemData(index).toLongLong();
}

void ComboBox::SetItemData(int index, qint64 value) {
    setItemData(index, value);
}

void ComboBox::SetEntryData(const QString& numbers) {
    entryData_ = numbers;
    ApplyEntryData();
}

void ComboBox::OnLoaded() {
    // A layout sets properties before it adds the entries.
    ApplyEntryData();
}

void ComboBox::ApplyEntryData() {
    const QStringList numbers = entryData_.split(u',', Qt::SkipEmptyParts);
    for (int i = 0; i < numbers.size() && i < count(); ++i) {
        if (const auto value = ParseNumber(numbers.at(i)))
            setItemData(i, *value);
    }
}

} // namespace keywright::ui
