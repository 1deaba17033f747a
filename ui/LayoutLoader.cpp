#include "ui/LayoutLoader.h"

#include "ui/ControlIds.h"
#include "ui/Language.h"
#include "ui/WidgetRegistry.h"
#include "ui/WindowTexts.h"
#include "ui/WindowTree.h"

#include <QBuffer>
#include <QDir>
#include <QTabWidget>

namespace keywright::ui {
namespace {

// Qt's stock classes and the toolkit classes made in their place.
QString StockClassFor(const QString& qtClass, const QWidget* parent) {
    static const QHash<QString, QString> kStock{
        {QStringLiteral("QPushButton"), QStringLiteral("button")},
        {QStringLiteral("QCheckBox"), QStringLiteral("check")},
        {QStringLiteral("QRadioButton"), QStringLiteral("radio")},
        {QStringLiteral("QComboBox"), QStringLiteral("combobox")},
        {QStringLiteral("QSlider"), QStringLiteral("sliderbar")},
        {QStringLiteral("QLabel"), QStringLiteral("text")},
        {QStringLiteral("QLineEdit"), QStringLiteral("edit")},
        {QStringLiteral("QTabWidget"), QStringLiteral("tabctrl")},
    };
    if (qtClass == u"QWidget" && qobject_cast<const QTabWidget*>(parent) != nullptr)
        return QStringLiteral("page");
    return kStock.value(qtClass);
}

} // namespace

LayoutLoader::LayoutLoader(const WidgetRegistry& registry, const ControlIds& ids)
    : registry_(registry), ids_(ids) {
    // Texts are translated by the toolkit, which keeps their sources. This
    // covers item texts; properties and tab titles are guarded in Load.
    setTranslationEnabled(false);
}

QWidget* LayoutLoader::createWidget(const QString& className, QWidget* parent,
                                    const QString& name) {
    QWidget* widget = registry_.Create(className, parent);
    if (widget == nullptr) {
        const QString stock = StockClassFor(className, parent);
        if (!stock.isEmpty())
            widget = registry_.Create(stock, parent);
    }
    if (widget == nullptr)
        return QUiLoader::createWidget(className, parent, name);
    widget->setObjectName(name);
    return widget;
}

QWidget* LayoutLoader::Load(const QByteArray& document, const QString& folder, QWidget* parent,
                            QString* error) {
    QByteArray bytes = document;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    setWorkingDirectory(QDir(folder));
    QWidget* top = nullptr;
    {
        const Language::QtLookupsPaused asWritten;
        top = load(&buffer, parent);
    }
    if (top == nullptr) {
        if (error != nullptr) {
            *error = errorString().isEmpty() ? QStringLiteral("the layout has no widget")
                                             : errorString();
        }
        return nullptr;
    }
    Finish(top);
    return top;
}

void LayoutLoader::Finish(QWidget* top) const {
    QList<QWidget*> widgets{top};
    widgets += top->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (const int id = ids_.IdOf(widget->objectName()); id != 0)
            SetId(widget, id);
        Retranslate(widget);
    }
    // findChildren lists parents before their children.
    for (QWidget* widget : widgets) {
        if (auto* control = dynamic_cast<Control*>(widget))
            control->OnLoaded();
    }
}

} // namespace keywright::ui
