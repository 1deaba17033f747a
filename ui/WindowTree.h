#pragma once

#include "ui/Control.h"

#include <QString>
#include <QtGlobal>
#include <string_view>

class QWidget;

namespace keywright::ui {

// Class tests. A Control answers for its own class and every base up to
// "window"; any other widget answers only to "window". Null answers nothing.
std::string_view ClassNameOf(const QWidget* widget);
bool IsClass(const QWidget* widget, std::string_view className);

// The control ID: the named-ID table's number for the control's name, or the
// "id" property a layout gives it; 0 for none. Kept as the dynamic property
// "id".
int IdOf(const QWidget* widget);
void SetId(QWidget* widget, int id);

// A number the program keeps on any widget (a list row's position, say);
// 0 until set.
qint64 UserData(const QWidget* widget);
void SetUserData(QWidget* widget, qint64 data);

// Finds a control among the descendants of `root` (not `root` itself), nearest
// first and, at equal depth, in child order. The search does not enter other
// windows (dialogs, menus) that have `root` as their parent. The first widget
// with that name, or that ID, must also answer to `className`; otherwise, and
// when there is none, the result is null. ID 0 and an empty name find nothing.
QWidget* FindByName(const QWidget* root, const QString& name,
                    std::string_view className = Control::kClassName);
QWidget* FindById(const QWidget* root, int id, std::string_view className = Control::kClassName);

// The same with the class test of T (T::kClassName) and a cast to T.
template <class T>
T* Find(const QWidget* root, const QString& name) {
    return dynamic_cast<T*>(FindByName(root, name, T::kClassName));
}
template <class T>
T* Find(const QWidget* root, int id) {
    return dynamic_cast<T*>(FindById(root, id, T::kClassName));
}

} // namespace keywright::ui
