#include "assign/dialog/KeyAndDelayAdapter.h"

#include "base/NumberText.h"
#include "ui/StockControls.h"
#include "ui/WindowTexts.h"
#include "ui/WindowTree.h"
#include "widgets/SEditEx.h"

#include <optional>
#include <utility>

namespace keywright::assign {
namespace {

// The delay a user typed, read as "%d" reads it: white space, then a number.
// Empty text is 0. nullopt when no number starts the text, or the number is
// negative: a negative wait would be read back as one of weeks.
std::optional<std::uint32_t> TypedDelay(const QString& text) {
    const std::string bytes = text.toStdString();
    std::size_t at = 0;
    while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\t'))
        ++at;
    if (at == bytes.size())
        return bytes.empty() ? std::optional<std::uint32_t>(0) : std::nullopt;
    std::size_t digit = at;
    if (bytes[digit] == '+' || bytes[digit] == '-')
        ++digit;
    if (digit == bytes.size() || bytes[digit] < '0' || bytes[digit] > '9')
        return std::nullopt;
    const std::int32_t value = ReadDecimal(bytes);
    if (value < 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

} // namespace

MacroGroup* KeyAndDelayAdapter::Group() {
    return index_ >= 0 ? settings_.GetGroup(index_) : nullptr;
}

void KeyAndDelayAdapter::ShowGroup(int index) {
    index_ = index >= 0 && static_cast<std::size_t>(index) < settings_.GroupCount() ? index : -1;
    NotifyDataSetChanged();
}

int KeyAndDelayAdapter::RowCount() {
    const MacroGroup* group = Group();
    return group != nullptr ? static_cast<int>(group->items.size()) : 0;
}

const MacroItem* KeyAndDelayAdapter::Item(int index) {
    MacroGroup* group = Group();
    if (group == nullptr || index < 0 || static_cast<std::size_t>(index) >= group->items.size())
        return nullptr;
    return &group->items[static_cast<std::size_t>(index)];
}

void KeyAndDelayAdapter::FillRow(int position, QWidget* row, const ui::RowTemplate& rowTemplate) {
    rowTemplate.Build(row);
    const MacroItem* step = Item(position);
    if (step == nullptr)
        return;
    if (auto* code = ui::Find<ui::Text>(row, QStringLiteral("key_code")))
        code->setText(QString::fromStdString(FormatHex(step->code)));
    if (auto* name = ui::Find<ui::Text>(row, QStringLiteral("key_name"))) {
        const QString text = QString::fromStdString(step->name);
        name->setText(text);
        // The cell cuts a long name ("Scan Previous Track"); the tip has it whole.
        name->setToolTip(text);
    }
    ui::SetText(ui::Find<ui::Text>(row, QStringLiteral("key_state")),
                step->state == 1 ? QStringLiteral("key down") : QStringLiteral("replace"));
    if (auto* delay = ui::Find<widgets::SEditEx>(row, QStringLiteral("key_delay"))) {
        ui::SetUserData(delay, position);
        const QString text = QString::number(step->delay);
        if (delay->text() != text)
            delay->setText(text);
        delay->Subscribe(
            ui::kEditChangedEvent, [this, delay](ui::Event&) { OnDelayChanged(delay); }, this);
    }
}

void KeyAndDelayAdapter::OnDelayChanged(QWidget* edit) {
    auto* delay = static_cast<widgets::SEditEx*>(edit);
    const qint64 position = ui::UserData(edit);
    if (position < 0 || position > INT32_MAX)
        return;
    MacroGroup* group = Group();
    if (group == nullptr || static_cast<std::size_t>(position) >= group->items.size())
        return;
    MacroItem& step = group->items[static_cast<std::size_t>(position)];
    if (const auto typed = TypedDelay(delay->text())) {
        step.delay = *typed;
        return;
    }
    delay->setText(QString::number(step.delay));
}

QString KeyAndDelayAdapter::ColumnName(int column) const {
    return QStringLiteral("col%1").arg(column + 1);
}

bool KeyAndDelayAdapter::SortMarks(int column, std::vector<ui::SortMark>& marks) {
    for (std::size_t i = 0; i < marks.size(); ++i) {
        if (static_cast<int>(i) != column)
            marks[i] = ui::SortMark::None;
        else
            marks[i] = marks[i] == ui::SortMark::Ascending ? ui::SortMark::Descending
                                                           : ui::SortMark::Ascending;
    }
    return true;
}

void KeyAndDelayAdapter::Append(KeyCode code, const std::string& name, std::uint32_t state,
                                std::uint32_t delay) {
    MacroGroup* group = Group();
    if (group == nullptr)
        return;
    group->items.push_back(MacroItem{code, state, delay, name});
    NotifyDataSetChanged();
}

bool KeyAndDelayAdapter::MoveUp(int index) {
    MacroGroup* group = Group();
    if (group == nullptr || index < 1 || static_cast<std::size_t>(index) >= group->items.size())
        return false;
    std::swap(group->items[static_cast<std::size_t>(index)],
              group->items[static_cast<std::size_t>(index) - 1]);
    NotifyDataSetChanged();
    return true;
}

bool KeyAndDelayAdapter::MoveDown(int index) {
    MacroGroup* group = Group();
    if (group == nullptr || index < 0 || static_cast<std::size_t>(index) + 1 >= group->items.size())
        return false;
    std::swap(group->items[static_cast<std::size_t>(index)],
              group->items[static_cast<std::size_t>(index) + 1]);
    NotifyDataSetChanged();
    return true;
}

void KeyAndDelayAdapter::Remove(int index) {
    MacroGroup* group = Group();
    if (group == nullptr)
        return;
    if (index >= 0 && static_cast<std::size_t>(index) < group->items.size())
        group->items.erase(group->items.begin() + index);
    NotifyDataSetChanged();
}

void KeyAndDelayAdapter::Clear() {
    MacroGroup* group = Group();
    if (group == nullptr)
        return;
    group->items.clear();
    NotifyDataSetChanged();
}

} // namespace keywright::assign
