#pragma once

#include "ui/StockControls.h"

#include <QColor>

namespace keywright::widgets {

// The edit of the layouts ("editex"): the toolkit's edit, plus
// - each key-down of Enter (also each auto-repeated one, and the keypad's
//   Enter) raises EventKeyEnter and goes no further: the edit does not see
//   it and neither does its window (no default button fires);
// - a left-button press or release re-enables an edit that was disabled
//   itself (not merely through a disabled parent) and gives it the focus;
//   the edit never sees those two messages, so a click does not move the
//   caret.
//
// Layout attributes besides the edit's own: "cueText", the hint shown while
// the edit is empty (translated as any window text), and "cueColor", its
// colour.
class SEditEx : public ui::Edit {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("editex", ui::Edit)
    Q_PROPERTY(QString cueText READ CueText WRITE SetCueText)
    Q_PROPERTY(QColor cueColor READ CueColor WRITE SetCueColor)

  public:
    explicit SEditEx(QWidget* parent = nullptr);

    QString CueText() const { return placeholderText(); }
    void SetCueText(const QString& text) { setPlaceholderText(text); }
    QColor CueColor() const;
    void SetCueColor(const QColor& color);

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace keywright::widgets
