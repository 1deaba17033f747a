#include "app/SimulatedKeyboardInput.h"

#include "platform/sim/SimFilterService.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <iterator>

namespace keywright::app {
namespace {

// Qt keys without a run of their own, and their keyboard-page usages.
constexpr struct {
    int key;
    std::uint16_t usage;
} kSingleKeys[] = {
    {Qt::Key_Return, 0x28},      {Qt::Key_Enter, 0x58},        {Qt::Key_Escape, 0x29},
    {Qt::Key_Backspace, 0x2A},   {Qt::Key_Tab, 0x2B},          {Qt::Key_Backtab, 0x2B},
    {Qt::Key_Space, 0x2C},       {Qt::Key_Minus, 0x2D},        {Qt::Key_Equal, 0x2E},
    {Qt::Key_BracketLeft, 0x2F}, {Qt::Key_BracketRight, 0x30}, {Qt::Key_Backslash, 0x31},
    {Qt::Key_Semicolon, 0x33},   {Qt::Key_Apostrophe, 0x34},   {Qt::Key_QuoteLeft, 0x35},
    {Qt::Key_Comma, 0x36},       {Qt::Key_Period, 0x37},       {Qt::Key_Slash, 0x38},
    {Qt::Key_CapsLock, 0x39},    {Qt::Key_Print, 0x46},        {Qt::Key_ScrollLock, 0x47},
    {Qt::Key_Pause, 0x48},       {Qt::Key_Insert, 0x49},       {Qt::Key_Home, 0x4A},
    {Qt::Key_PageUp, 0x4B},      {Qt::Key_Delete, 0x4C},       {Qt::Key_End, 0x4D},
    {Qt::Key_PageDown, 0x4E},    {Qt::Key_Right, 0x4F},        {Qt::Key_Left, 0x50},
    {Qt::Key_Down, 0x51},        {Qt::Key_Up, 0x52},           {Qt::Key_NumLock, 0x53},
    {Qt::Key_Menu, 0x65},        {Qt::Key_Control, 0xE0},      {Qt::Key_Shift, 0xE1},
    {Qt::Key_Alt, 0xE2},         {Qt::Key_Meta, 0xE3},
};

} // namespace

SimulatedKeyboardInput::SimulatedKeyboardInput(sim::SimFilterService& filter) : filter_(filter) {
    QCoreApplication::instance()->installEventFilter(this);
}

SimulatedKeyboardInput::~SimulatedKeyboardInput() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
}

std::optional<std::uint16_t> SimulatedKeyboardInput::UsageOf(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<std::uint16_t>(0x04 + (qtKey - Qt::Key_A));
    if (qtKey >= Qt::Key_1 && qtKey <= Qt::Key_9)
        return static_cast<std::uint16_t>(0x1E + (qtKey - Qt::Key_1));
    if (qtKey == Qt::Key_0)
        return std::uint16_t{0x27};
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return static_cast<std::uint16_t>(0x3A + (qtKey - Qt::Key_F1));
    for (const auto& entry : kSingleKeys)
        if (entry.key == qtKey)
            return entry.usage;
    return std::nullopt;
}

bool SimulatedKeyboardInput::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    // Only the first receiver counts: the same event going on to a parent is
    // the same key.
    const bool propagated = event == lastEvent_ && type == lastType_ && lastReceiver_ &&
                            widget->isAncestorOf(lastReceiver_);
    lastEvent_ = event;
    lastType_ = type;
    lastReceiver_ = widget;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!propagated && !key->isAutoRepeat()) {
        if (const auto usage = UsageOf(key->key()))
            filter_.InjectKey(0x07, *usage, type == QEvent::KeyPress);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace keywright::app
