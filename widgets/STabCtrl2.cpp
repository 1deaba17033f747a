#include "widgets/STabCtrl2.h"

#include "base/Log.h"
#include "ui/Skin.h"
#include "ui/Toolkit.h"
#include "widgets/Attributes.h"
#include "widgets/STabHeaderBar.h"

#include <QDynamicPropertyChangeEvent>
#include <QPainter>
#include <QStyle>

namespace keywright::widgets {
namespace {

constexpr const char* kIconX = "icon-x";
constexpr const char* kIconY = "icon-y";
constexpr const char* kTextX = "text-x";
constexpr const char* kTextY = "text-y";

} // namespace

STabCtrl2::STabCtrl2(QWidget* parent)
    : ui::TabCtrl(parent, new STabHeaderBar(*this)), timeline_(ui::SharedTimeline()) {
    if (timeline_ != nullptr)
        timeline_->Register(this);
    Subscribe(ui::kTabItemHoverEvent, [this](ui::Event& event) { OnHeaderHover(event.value); });
    Subscribe(ui::kTabItemLeaveEvent, [this](ui::Event& event) { OnHeaderLeave(event.value); });
}

STabCtrl2::~STabCtrl2() {
    if (timeline_ != nullptr)
        timeline_->Unregister(this);
}

void STabCtrl2::SetHeaderBackground(const QString& skin) {
    headerBackground_ = skin;
    update();
}

void STabCtrl2::SetTabSkin(const QString& skin) {
    tabSkin_ = skin;
    Headers()->update();
}

void STabCtrl2::SetIconSkin(const QString& skin) {
    iconSkin_ = skin;
    Headers()->update();
}

void STabCtrl2::SetIconOffset(QPoint offset) {
    iconOffset_ = offset;
    Headers()->update();
}

void STabCtrl2::SetTextOffset(QPoint offset) {
    textOffset_ = offset;
    Headers()->update();
}

void STabCtrl2::SetTextColor(int slot, const QColor& color) {
    textColors_[slot] = color;
    Headers()->update();
}

void STabCtrl2::SetNormalTextColor(const QColor& color) {
    SetTextColor(0, color);
}
void STabCtrl2::SetHoverTextColor(const QColor& color) {
    SetTextColor(1, color);
}
void STabCtrl2::SetCurrentTextColor(const QColor& color) {
    SetTextColor(2, color);
}
void STabCtrl2::SetDisabledTextColor(const QColor& color) {
    SetTextColor(3, color);
}

STabPage2* STabCtrl2::Page2(int index) const {
    return dynamic_cast<STabPage2*>(widget(index));
}

void STabCtrl2::OnLoaded() {
    ui::TabCtrl::OnLoaded();
    // Only "page2" children are pages. The loader still holds the others
    // (it calls their OnLoaded after this), so they go later.
    for (int i = count() - 1; i >= 0; --i) {
        QWidget* child = widget(i);
        if (Page2(i) != nullptr)
            continue;
        LogLine(QStringLiteral("layout: tab control \"%1\": child \"%2\" is not a \"page2\" "
                               "and is left out")
                    .arg(objectName(), child->objectName())
                    .toStdString());
        removeTab(i);
        child->hide();
        child->deleteLater();
    }
}

void STabCtrl2::ReadOffsetProperty(const QByteArray& name) {
    // Qt keeps dynamic properties of its own on widgets too; only these four
    // are attributes.
    if (name != kIconX && name != kIconY && name != kTextX && name != kTextY)
        return;
    const QVariant value = property(name.constData());
    if (!value.isValid())
        return;
    const std::optional<int> number = IntAttribute(value);
    if (!number) {
        WarnBadAttribute(this, name.constData(), value.toString());
        return;
    }
    if (name == kIconX)
        SetIconOffset({*number, iconOffset_.y()});
    else if (name == kIconY)
        SetIconOffset({iconOffset_.x(), *number});
    else if (name == kTextX)
        SetTextOffset({*number, textOffset_.y()});
    else if (name == kTextY)
        SetTextOffset({textOffset_.x(), *number});
}

bool STabCtrl2::event(QEvent* event) {
    if (event->type() == QEvent::DynamicPropertyChange)
        ReadOffsetProperty(static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName());
    return ui::TabCtrl::event(event);
}

void STabCtrl2::OnHeaderHover(int index) {
    Start(index, STabPage2::State::AnimatingIn);
}

void STabCtrl2::OnHeaderLeave(int index) {
    Start(index, STabPage2::State::AnimatingOut);
}

void STabCtrl2::Start(int index, STabPage2::State state) {
    STabPage2* page = Page2(index);
    if (page == nullptr)
        return;
    page->state_ = state;
    page->frame_ = 0;
    page->countdown_ = kFrameIntervalMs;
    RedrawHeader(index);
}

void STabCtrl2::OnNextFrame() {
    for (int i = 0; i < count(); ++i) {
        STabPage2* page = Page2(i);
        if (page == nullptr || page->state_ == STabPage2::State::Still)
            continue;
        page->countdown_ -= ui::Timeline::kIntervalMs;
        if (page->countdown_ >= 1)
            continue;
        ++page->frame_;
        if (page->state_ == STabPage2::State::AnimatingIn) {
            const int states = ui::FindSkin(page->inAnimation_, this).States();
            if (states == 0)
                page->state_ = STabPage2::State::Still;
            else if (page->frame_ >= states - 1)
                page->frame_ = states - 1; // holds while the pointer stays
        } else {
            const int states = ui::FindSkin(page->outAnimation_, this).States();
            if (states == 0 || page->frame_ >= states - 1)
                page->state_ = STabPage2::State::Still;
        }
        page->countdown_ = kFrameIntervalMs;
        RedrawHeader(i);
    }
}

void STabCtrl2::RedrawHeader(int index) {
    Headers()->update(Headers()->tabRect(index));
}

int STabCtrl2::HeaderState(int index) const {
    if (index == currentIndex())
        return 2;
    if (index == Headers()->HoveredHeader())
        return 1;
    return 0;
}

QRect STabCtrl2::IconRect(int index) const {
    const ui::Skin icon = ui::FindSkin(iconSkin_, this);
    const QRect header = Headers()->tabRect(index);
    if (icon.IsNull() || header.isEmpty())
        return {};
    return QRect(header.topLeft() + iconOffset_, icon.Size());
}

STabCtrl2::IconLook STabCtrl2::HeaderIcon(int index) const {
    if (index < 0 || index >= count())
        return {};
    if (const STabPage2* page = Page2(index)) {
        if (page->state_ == STabPage2::State::AnimatingIn &&
            !ui::FindSkin(page->inAnimation_, this).IsNull())
            return {IconLook::In, page->frame_};
        if (page->state_ == STabPage2::State::AnimatingOut &&
            !ui::FindSkin(page->outAnimation_, this).IsNull())
            return {IconLook::Out, page->frame_};
    }
    if (ui::FindSkin(iconSkin_, this).IsNull())
        return {};
    const STabPage2* page = Page2(index);
    const int iconIndex = page != nullptr ? page->iconIndex_ : -1;
    return {IconLook::Icon, iconIndex == -1 ? index : iconIndex};
}

QRect STabCtrl2::HeaderStripRect() const {
    const QRect bar = Headers()->geometry();
    if (tabPosition() == QTabWidget::West || tabPosition() == QTabWidget::East)
        return QRect(bar.x(), 0, bar.width(), height());
    return QRect(0, bar.y(), width(), bar.height());
}

bool STabCtrl2::DrawsWholeHeaders() const {
    return !ui::FindSkin(tabSkin_, this).IsNull();
}

void STabCtrl2::PaintHeaders(QPainter& painter, bool wholeHeaders) const {
    const ui::TabBar& bar = *Headers();
    const ui::Skin tab = ui::FindSkin(tabSkin_, this);
    for (int i = 0; i < count(); ++i) {
        const QRect header = bar.tabRect(i);
        if (header.isEmpty())
            continue;
        const int state = HeaderState(i);
        if (wholeHeaders)
            tab.Draw(painter, header, state);

        const QRect iconArea = IconRect(i);
        const IconLook look = HeaderIcon(i);
        if (!iconArea.isEmpty() && look.source != IconLook::None) {
            const STabPage2* page = Page2(i);
            const QString& skin = look.source == IconLook::In    ? page->inAnimation_
                                  : look.source == IconLook::Out ? page->outAnimation_
                                                                 : iconSkin_;
            ui::FindSkin(skin, this).Draw(painter, iconArea, look.state);
        }

        if (wholeHeaders) {
            const bool enabled = isEnabled() && bar.isTabEnabled(i);
            const int colorSlot = enabled ? state : 3;
            QPalette shades = bar.palette();
            shades.setCurrentColorGroup(enabled ? QPalette::Active : QPalette::Disabled);
            if (textColors_[colorSlot].isValid())
                shades.setColor(QPalette::WindowText, textColors_[colorSlot]);
            QRect text = header;
            Qt::Alignment align;
            if (textOffset_.x() >= 0) {
                text.setLeft(header.left() + textOffset_.x());
                align |= Qt::AlignLeft;
            } else {
                align |= Qt::AlignHCenter;
            }
            if (textOffset_.y() >= 0) {
                text.setTop(header.top() + textOffset_.y());
                align |= Qt::AlignTop;
            } else {
                align |= Qt::AlignVCenter;
            }
            painter.setFont(bar.font());
            style()->drawItemText(&painter, text, static_cast<int>(align | Qt::TextSingleLine),
                                  shades, enabled, bar.tabText(i), QPalette::WindowText);
        }
    }
}

void STabCtrl2::paintEvent(QPaintEvent* event) {
    ui::TabCtrl::paintEvent(event);
    const ui::Skin background = ui::FindSkin(headerBackground_, this);
    if (background.IsNull())
        return;
    QPainter painter(this);
    background.Draw(painter, HeaderStripRect(), 0);
}

} // namespace keywright::widgets
