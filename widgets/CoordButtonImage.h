#pragma once

#include "ui/StockControls.h"
#include "widgets/CoordButton.h"
#include "widgets/ICoordButtonClickListener.h"

#include <QPixmap>
#include <QString>
#include <QVariant>
#include <vector>

namespace keywright::widgets {

// The keyboard map ("cbimg"): a picture of the keyboard whose keys, listed
// in the positions file, are hovered, pressed and checked with the mouse and
// by the host.
//
// Layout attributes:
//   "bg"      image id ("main:img_keboard_normal_png"): the background,
//             stretched over the whole widget
//   "chking"  image id: the hovered look; a hovered key shows its rectangle
//             of this picture
//   "chked"   image id: the checked look, likewise; drawn over the hover look
//   "crdxml"  the positions file, relative to the program folder (a string
//             reference "@string/name" is expanded)
//   "type"    selection mode, a number or a decimal/0x text: 0 a click checks
//             nothing, 1 single selection, 2 multiple selection
// An image id that names no image is refused (the attribute keeps its former
// value). Key rectangles are in the pictures' 100 % pixels: the widget is
// meant to have the size of the pictures.
//
// The keys are read once, when the layout is loaded (OnLoaded); a widget made
// from code reads them when its owner calls OnLoaded after setting "crdxml".
class CoordButtonImage : public ui::Window {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("cbimg", ui::Window)
    Q_PROPERTY(QString bg READ BackgroundImage WRITE SetBackgroundImage)
    Q_PROPERTY(QString chking READ HoverImage WRITE SetHoverImage)
    Q_PROPERTY(QString chked READ CheckedImage WRITE SetCheckedImage)
    Q_PROPERTY(QString crdxml READ PositionsPath WRITE SetPositionsPath)
    Q_PROPERTY(QVariant type READ SelectionModeValue WRITE SetSelectionModeValue)

  public:
    // As the id of SetButtonChecked, ToggleButtonChecked and SetButtonTip:
    // every key.
    static constexpr qint32 kAllButtons = 0x7FFFFFFF;

    explicit CoordButtonImage(QWidget* parent = nullptr);

    const QString& BackgroundImage() const { return backgroundId_; }
    void SetBackgroundImage(const QString& id);
    const QString& HoverImage() const { return hoverId_; }
    void SetHoverImage(const QString& id);
    const QString& CheckedImage() const { return checkedId_; }
    void SetCheckedImage(const QString& id);
    const QString& PositionsPath() const { return positionsPath_; }
    void SetPositionsPath(const QString& path);
    qint32 SelectionMode() const { return selectionMode_; }
    void SetSelectionMode(qint32 mode) { selectionMode_ = mode; }

    // The listener of key clicks; null for none. Not owned.
    void SetClickListener(ICoordButtonClickListener* listener) { listener_ = listener; }

    // Each acts on the first key whose id is `id` (keys sharing an id: the
    // first in the file), or on every key for kAllButtons, and redraws.
    void SetButtonChecked(qint32 id, bool checked);
    void ToggleButtonChecked(qint32 id);
    void SetButtonTip(const QString& tip, qint32 id);
    // Copies the first key whose id is `id` into `out` (when not null). False
    // when there is none.
    bool GetButton(qint32 id, CoordButton* out) const;

    // The keys in file order.
    const std::vector<CoordButton>& Buttons() const { return buttons_; }

    // Reads the positions file, the first time only.
    void OnLoaded() override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QVariant SelectionModeValue() const { return selectionMode_; }
    void SetSelectionModeValue(const QVariant& value);
    // Stores `id` in `slot` when it names an image.
    void SetImage(QString& slot, const QString& id, const char* attribute);
    // Applies `change` to the first key with `id`, or to all for kAllButtons.
    template <class Change>
    void ForKeys(qint32 id, Change change);
    CoordButton* FirstAt(QPoint point);
    const CoordButton* LastAt(QPoint point) const;
    void RaiseClick(CoordButton& key, quint32 up, const QMouseEvent& event);

    QString backgroundId_;
    QString hoverId_;
    QString checkedId_;
    std::vector<CoordButton> buttons_;
    quint32 defaultColor_ = CoordButton::kDefaultColor; // no attribute sets it
    qint32 selectionMode_ = 0;
    QString positionsPath_;
    ICoordButtonClickListener* listener_ = nullptr;
    bool positionsLoaded_ = false;
};

} // namespace keywright::widgets
