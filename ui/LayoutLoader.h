#pragma once

#include <QByteArray>
#include <QString>
#include <QUiLoader>

namespace keywright::ui {

class ControlIds;
class WidgetRegistry;

// Builds widget trees from Qt Designer files at run time.
//
// Each widget of the file is made by the registry when it knows the class
// name the file gives; Qt's stock classes are made as the toolkit's controls
// (QPushButton as Button, QCheckBox as CheckBox, QRadioButton as RadioBox,
// QComboBox as ComboBox, QSlider as Slider, QLabel as Text, QLineEdit as
// Edit, QTabWidget as TabCtrl, a QWidget page of a tab control as TabPage);
// anything else as Qt makes it. A custom class the registry does not know
// falls back to the base class its <customwidget> entry names.
//
// After the whole tree exists: controls named in the named-ID table get
// their IDs, every text is kept as its source and shown translated, and each
// Control's OnLoaded runs, parents before children.
class LayoutLoader : public QUiLoader {
    Q_OBJECT
  public:
    LayoutLoader(const WidgetRegistry& registry, const ControlIds& ids);

    // The top widget of the layout in `document`, a child of `parent` (or a
    // window when `parent` is null); files the layout names are found
    // relative to `folder`. Null when the document cannot be loaded; `error`
    // then says why.
    QWidget* Load(const QByteArray& document, const QString& folder, QWidget* parent,
                  QString* error = nullptr);

    QWidget* createWidget(const QString& className, QWidget* parent = nullptr,
                          const QString& name = QString()) override;

  private:
    void Finish(QWidget* top) const;

    const WidgetRegistry& registry_;
    const ControlIds& ids_;
};

} // namespace keywright::ui
