#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace keywright::ui {

// The widget classes layouts may use, by class name. It starts with the
// toolkit's stock classes ("window", "button", "imgbtn", "check", "radio",
// "combobox", "sliderbar", "text", "edit", "tabctrl", "page", "listview",
// "mclistview"); the program adds its own classes at start-up.
class WidgetRegistry {
  public:
    using Factory = std::function<QWidget*(QWidget* parent)>;

    WidgetRegistry();

    // Adds a class. A class of the same name that is already known stays,
    // and the call returns false.
    bool Register(const QString& className, Factory factory);

    // Registers T under T::kClassName; T is made with `new T(parent)`.
    template <class T>
    bool Register() {
        return Register(QString::fromUtf8(T::kClassName.data(), T::kClassName.size()),
                        [](QWidget* parent) -> QWidget* { return new T(parent); });
    }

    bool Contains(const QString& className) const { return factories_.contains(className); }
    // A new widget of the class; null for an unknown class.
    QWidget* Create(const QString& className, QWidget* parent) const;
    // Every class name, in registration order.
    const QStringList& Names() const { return names_; }

  private:
    QHash<QString, Factory> factories_;
    QStringList names_;
};

} // namespace keywright::ui
