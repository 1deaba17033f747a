#pragma once

// The toolkit's stock controls that add little to their Qt class: a class
// name, and the events the Parts' windows subscribe to. The layout loader
// creates them for the Qt classes of a Designer file (QPushButton gives a
// Button, QLabel a Text, ...) and for their own class names.

#include "ui/Control.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

namespace keywright::ui {

// A plain container; list rows are Windows and raise a command when clicked.
class Window : public QWidget, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("window", Control)
  public:
    explicit Window(QWidget* parent = nullptr);
};

// Raises a command when clicked.
class Button : public QPushButton, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("button", Control)
  public:
    explicit Button(QWidget* parent = nullptr);
};

// A button drawn from images (icon or style sheet); declared in a layout as
// the class "imgbtn".
class ImageButton : public Button {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("imgbtn", Button)
  public:
    explicit ImageButton(QWidget* parent = nullptr);
};

// Raises a command when the user clicks it (after the state has changed).
class CheckBox : public QCheckBox, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("check", Control)
  public:
    explicit CheckBox(QWidget* parent = nullptr);
    bool IsChecked() const { return isChecked(); }
    void SetCheck(bool checked) { setChecked(checked); }
};

// Raises a command when the user clicks it. Unlike QRadioButton, code may
// uncheck the checked radio of a group, leaving none checked.
class RadioBox : public QRadioButton, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("radio", Control)
  public:
    explicit RadioBox(QWidget* parent = nullptr);
    bool IsChecked() const { return isChecked(); }
    void SetCheck(bool checked);
};

// Static text. With the layout property "elide" = true, a single-line text
// wider than the control ends in an ellipsis instead of being cut off.
class Text : public QLabel, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("text", Control)
    Q_PROPERTY(bool elide READ Elides WRITE SetElide)
  public:
    explicit Text(QWidget* parent = nullptr);

    bool Elides() const { return elide_; }
    void SetElide(bool elide);
    // The text as drawn: the whole text, or its elided form.
    QString ShownText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool elide_ = false;
};

// A single-line edit; raises an edit change for every change of its text,
// typed or set from code.
class Edit : public QLineEdit, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("edit", Control)
  public:
    explicit Edit(QWidget* parent = nullptr);
};

// A page of a tab control.
class TabPage : public QWidget, public Control {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("page", Control)
  public:
    explicit TabPage(QWidget* parent = nullptr);
};

} // namespace keywright::ui
