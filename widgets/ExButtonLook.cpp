#include "widgets/ExButtonLook.h"

#include "ui/Skin.h"
#include "ui/Toolkit.h"

#include <QAbstractButton>
#include <QPainter>
#include <QStyle>

namespace keywright::widgets {

int ExButtonLook::SkinState(const Flags& flags, int states) {
    if (flags.pushed)
        return 2;
    if (flags.hovered)
        return 1;
    if (flags.checked && states >= 1)
        return states - 1;
    return 0;
}

int ExButtonLook::IconState(const Flags& flags) {
    int state = 0;
    if (flags.disabled)
        state = 3;
    else if (flags.pushed)
        state = 2;
    else if (flags.hovered)
        state = 1;
    return flags.checked ? state + 4 : state;
}

QRect ExButtonLook::TextRect(const QRect& client, const QAbstractButton& button) const {
    const ui::Skin icon = ui::FindSkin(iconSkin, &button);
    const int iconWidth = icon.IsNull() ? 0 : icon.Size().width();
    QRect text = client;
    text.setLeft(client.left() + textX + iconPos.x() + iconWidth);
    text.setTop(client.top() + textY + iconPos.y());
    return text;
}

QSize ExButtonLook::SkinSize(const QAbstractButton& button) const {
    const ui::Skin background = ui::FindSkin(skin, &button);
    return background.IsNull() ? QSize() : background.Size();
}

void ExButtonLook::Paint(QPainter& painter, const QAbstractButton& button,
                         const Flags& flags) const {
    const QRect client = button.rect();
    const ui::Skin background = ui::FindSkin(skin, &button);
    if (!background.IsNull())
        background.Draw(painter, client, SkinState(flags, background.States()));

    const ui::Skin icon = ui::FindSkin(iconSkin, &button);
    if (!icon.IsNull())
        icon.Draw(painter, QRect(client.topLeft() + iconPos, icon.Size()), IconState(flags));

    button.style()->drawItemText(&painter, TextRect(client, button), static_cast<int>(textAlign),
                                 button.palette(), button.isEnabled(), button.text(),
                                 button.foregroundRole());
}

} // namespace keywright::widgets
