#include "ui/WindowTree.h"

#include <QWidget>
#include <deque>
#include <functional>

namespace keywright::ui {
namespace {

constexpr const char* kIdProperty = "id";
constexpr const char* kUserDataProperty = "userData";

// Breadth-first over the descendants of root that belong to its window.
QWidget* FindFirst(const QWidget* root, const std::function<bool(const QWidget*)>& matches) {
    if (root == nullptr)
        return nullptr;
    std::deque<const QWidget*> pending{root};
    while (!pending.empty()) {
        const QWidget* parent = pending.front();
        pending.pop_front();
        for (QObject* object : parent->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child == nullptr || child->isWindow())
                continue;
            if (matches(child))
                return child;
            pending.push_back(child);
        }
    }
    return nullptr;
}

QWidget* WithClass(QWidget* widget, std::string_view className) {
    return IsClass(widget, className) ? widget : nullptr;
}

} // namespace

std::string_view ClassNameOf(const QWidget* widget) {
    if (widget == nullptr)
        return {};
    if (const auto* control = dynamic_cast<const Control*>(widget))
        return control->ClassName();
    return Control::kClassName;
}

bool IsClass(const QWidget* widget, std::string_view className) {
    if (widget == nullptr)
        return false;
    if (const auto* control = dynamic_cast<const Control*>(widget))
        return control->IsClass(className);
    return className == Control::kClassName;
}

int IdOf(const QWidget* widget) {
    return widget != nullptr ? widget->property(kIdProperty).toInt() : 0;
}

void SetId(QWidget* widget, int id) {
    widget->setProperty(kIdProperty, id);
}

qint64 UserData(const QWidget* widget) {
    return widget != nullptr ? widget->property(kUserDataProperty).toLongLong() : 0;
}

void SetUserData(QWidget* widget, qint64 data) {
    widget->setProperty(kUserDataProperty, data);
}

QWidget* FindByName(const QWidget* root, const QString& name, std::string_view className) {
    if (name.isEmpty())
        return nullptr;
    return WithClass(FindFirst(root, [&](const QWidget* w) { return w->objectName() == name; }),
                     className);
}

QWidget* FindById(const QWidget* root, int id, std::string_view className) {
    if (id == 0)
        return nullptr;
    return WithClass(FindFirst(root, [&](const QWidget* w) { return IdOf(w) == id; }), className);
}

} // namespace keywright::ui
