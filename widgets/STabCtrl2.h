#pragma once

#include "ui/TabCtrl.h"
#include "ui/Timeline.h"
#include "widgets/STabPage2.h"

#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QString>

namespace keywright::widgets {

class STabHeaderBar;

// The animated tab control ("tabctrl2"): the toolkit's tab control whose
// header strip has a background skin and whose headers show an icon that
// animates while the pointer moves onto a header and back out when it
// leaves. The frames belong to the pages, which are STabPage2s ("page2").
//
// Layout attributes besides the tab control's own:
//   "tabHeadBgSkin"  skin drawn over the whole header strip, behind the
//                    headers
//   "tabSkin"        skin of each header: normal, hover, current. With it
//                    the control draws the headers itself (skin, icon,
//                    title); without it the style draws them and the icon
//                    goes on top
//   "iconSkin"       the headers' static icons, one state per icon; its size
//                    is the size of the icon area (no icon area without it)
//   "icon-x", "icon-y"  where the icon area starts in a header (default
//                    0, 0); dynamic properties (stdset="0"), as the names
//                    are not identifiers
//   "text-x", "text-y"  where the title starts in a header when the control
//                    draws it; -1 (default) centres it on that axis;
//                    dynamic properties too
//   "colorText", "colorTextHover", "colorTextPush", "colorTextDisable"
//                    title colours of a header that is normal, under the
//                    pointer, current, disabled; unset ones take the
//                    palette's text colour
// A child of the layout that is not a "page2" is not a page: it is dropped
// when the layout is loaded.
class STabCtrl2 : public ui::TabCtrl, public ui::Timeline::IHandler {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("tabctrl2", ui::TabCtrl)
    Q_PROPERTY(QString tabHeadBgSkin READ HeaderBackground WRITE SetHeaderBackground)
    Q_PROPERTY(QString tabSkin READ TabSkin WRITE SetTabSkin)
    Q_PROPERTY(QString iconSkin READ IconSkin WRITE SetIconSkin)
    Q_PROPERTY(QColor colorText READ NormalTextColor WRITE SetNormalTextColor)
    Q_PROPERTY(QColor colorTextHover READ HoverTextColor WRITE SetHoverTextColor)
    Q_PROPERTY(QColor colorTextPush READ CurrentTextColor WRITE SetCurrentTextColor)
    Q_PROPERTY(QColor colorTextDisable READ DisabledTextColor WRITE SetDisabledTextColor)

  public:
    // Time per animation frame; no attribute changes it.
    static constexpr int kFrameIntervalMs = 50;

    // What a header's icon area shows: a state of one of the skins.
    struct IconLook {
        enum Source { None, Icon, In, Out } source = None;
        int state = 0;
        friend bool operator==(const IconLook&, const IconLook&) = default;
    };

    explicit STabCtrl2(QWidget* parent = nullptr);
    ~STabCtrl2() override;

    const QString& HeaderBackground() const { return headerBackground_; }
    void SetHeaderBackground(const QString& skin);
    const QString& TabSkin() const { return tabSkin_; }
    void SetTabSkin(const QString& skin);
    const QString& IconSkin() const { return iconSkin_; }
    void SetIconSkin(const QString& skin);
    QPoint IconOffset() const { return iconOffset_; }
    void SetIconOffset(QPoint offset);
    QPoint TextOffset() const { return textOffset_; }
    void SetTextOffset(QPoint offset);
    QColor NormalTextColor() const { return textColors_[0]; }
    void SetNormalTextColor(const QColor& color);
    QColor HoverTextColor() const { return textColors_[1]; }
    void SetHoverTextColor(const QColor& color);
    QColor CurrentTextColor() const { return textColors_[2]; }
    void SetCurrentTextColor(const QColor& color);
    QColor DisabledTextColor() const { return textColors_[3]; }
    void SetDisabledTextColor(const QColor& color);

    // Page `index` as an STabPage2; null when it is not one.
    STabPage2* Page2(int index) const;

    // 2 for the current page's header, 1 for the header under the pointer,
    // else 0.
    int HeaderState(int index) const;
    // Where header `index`'s icon area is, in the header strip's
    // coordinates; empty without "iconSkin".
    QRect IconRect(int index) const;
    IconLook HeaderIcon(int index) const;
    // The whole header strip, in the control's coordinates.
    QRect HeaderStripRect() const;

    // Drops the children of the layout that are not "page2"s.
    void OnLoaded() override;
    // One tick of the timeline: advances the animations of the pages.
    void OnNextFrame() override;

    // Used by the header strip.
    bool DrawsWholeHeaders() const;
    void PaintHeaders(QPainter& painter, bool wholeHeaders) const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnHeaderHover(int index);
    void OnHeaderLeave(int index);
    void Start(int index, STabPage2::State state);
    void RedrawHeader(int index);
    void SetTextColor(int slot, const QColor& color);
    void ReadOffsetProperty(const QByteArray& name);

    QString headerBackground_;
    QString tabSkin_;
    QString iconSkin_;
    QPoint iconOffset_{0, 0};
    QPoint textOffset_{-1, -1};
    QColor textColors_[4];
    QPointer<ui::Timeline> timeline_;
};

} // namespace keywright::widgets
