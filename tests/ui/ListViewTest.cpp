#include "ui/ListView.h"

#include "UiFixture.h"
#include "ui/HostWindow.h"
#include "ui/McListView.h"
#include "ui/WindowTree.h"

#include <QStringList>
#include <vector>

namespace keywright::ui::test {
namespace {

// Rows of names with an editable name, as the macro group list has them.
class NameAdapter : public ListAdapter {
  public:
    int RowCount() override { return static_cast<int>(names.size()); }

    void FillRow(int position, QWidget* row, const RowTemplate& rowTemplate) override {
        ++fills;
        if (rowTemplate.Build(row))
            ++builds;
        SetUserData(row, position);
        if (auto* edit = Find<Edit>(row, "group_name")) {
            edit->Subscribe(
                kEditChangedEvent,
                [this](Event& e) {
                    const auto at = static_cast<size_t>(UserData(e.sender));
                    edits.push_back(at);
                    names[at] = static_cast<Edit*>(e.sender)->text();
                },
                this);
            SetUserData(edit, position);
            edit->setText(names[static_cast<size_t>(position)]);
        }
        if (auto* control = dynamic_cast<Control*>(row)) {
            control->Subscribe(
                kCommandEvent,
                [this](Event& e) {
                    clicks.push_back(static_cast<int>(UserData(e.sender)));
                    e.handled = true;
                },
                this);
        }
    }

    std::vector<QString> names;
    std::vector<size_t> edits;
    std::vector<int> clicks;
    int fills = 0;
    int builds = 0;
};

// Steps in columns, as the key list has them.
class StepAdapter : public McListAdapter {
  public:
    int RowCount() override { return static_cast<int>(codes.size()); }
    void FillRow(int position, QWidget* row, const RowTemplate& rowTemplate) override {
        rowTemplate.Build(row);
        if (auto* code = Find<Text>(row, "key_code"))
            code->setText(codes[static_cast<size_t>(position)]);
    }
    QString ColumnName(int column) const override {
        return QStringLiteral("col%1").arg(column + 1);
    }
    bool SortMarks(int column, std::vector<SortMark>& marks) override {
        clicked.push_back(column);
        for (size_t i = 0; i < marks.size(); ++i) {
            if (static_cast<int>(i) != column)
                marks[i] = SortMark::None;
        }
        SortMark& mark = marks[static_cast<size_t>(column)];
        mark = mark == SortMark::Ascending ? SortMark::Descending : SortMark::Ascending;
        return accept;
    }

    std::vector<QString> codes;
    std::vector<int> clicked;
    bool accept = true;
};

class ListViewTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (HasFatalFailure())
            return;
        groups_ = window_->Find<ListView>("macro_group");
        keys_ = window_->Find<McListView>("key_info");
        ASSERT_NE(groups_, nullptr);
        ASSERT_NE(keys_, nullptr);
        window_->OnEvent(kSelChangedEvent, "macro_group",
                         [this](Event& e) { selections_.push_back(e.value); });
    }

    void ShowNames(std::vector<QString> names) {
        names_.names = std::move(names);
        groups_->SetAdapter(&names_);
    }

    NameAdapter names_;
    StepAdapter steps_;
    ListView* groups_ = nullptr;
    McListView* keys_ = nullptr;
    std::vector<int> selections_;
};

TEST_F(ListViewTest, RowsAreBuiltFromTheTemplateOnceAndFilledOnEveryRefresh) {
    ShowNames({"Group 1", "Group 2", "Group 3"});
    ASSERT_EQ(groups_->RowCount(), 3);
    EXPECT_EQ(names_.builds, 3);
    EXPECT_EQ(names_.fills, 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        QWidget* row = groups_->Row(i);
        EXPECT_TRUE(IsClass(row, "window"));
        EXPECT_EQ(row->height(), 28); // the template's height
        EXPECT_EQ(UserData(row), i);
        EXPECT_EQ(Find<Edit>(row, "group_name")->text(), names_.names[static_cast<size_t>(i)]);
        EXPECT_NE(FindByName(row, "group_mark", "text"), nullptr);
    }
    EXPECT_EQ(groups_->Row(3), nullptr);

    names_.names[1] = "Renamed";
    names_.NotifyDataSetChanged();
    EXPECT_EQ(names_.builds, 3);
    EXPECT_EQ(names_.fills, 6);
    EXPECT_EQ(Find<Edit>(groups_->Row(1), "group_name")->text(), "Renamed");
}

TEST_F(ListViewTest, ARefreshAddsAndRemovesRowsAndClearsASelectionPastTheEnd) {
    ShowNames({"a", "b", "c"});
    ASSERT_TRUE(groups_->SetSelected(1));
    selections_.clear();

    names_.names.push_back("d");
    names_.NotifyDataSetChanged();
    EXPECT_EQ(groups_->RowCount(), 4);
    EXPECT_EQ(groups_->Selected(), 1);
    EXPECT_EQ(Find<Edit>(groups_->Row(3), "group_name")->text(), "d");

    names_.names.resize(1);
    names_.NotifyDataSetChanged();
    EXPECT_EQ(groups_->RowCount(), 1);
    EXPECT_EQ(groups_->Selected(), -1);
    EXPECT_TRUE(selections_.empty()); // a refresh reports no selection change

    names_.names.clear();
    names_.NotifyDataSetChanged();
    EXPECT_EQ(groups_->RowCount(), 0);
}

TEST_F(ListViewTest, SelectionChangesFromCodeRaiseOnlyWithNotification) {
    ShowNames({"a", "b", "c"});
    EXPECT_TRUE(groups_->SetSelected(2));
    EXPECT_TRUE(groups_->SetSelected(2));
    EXPECT_TRUE(groups_->SetSelected(0, false));
    EXPECT_FALSE(groups_->SetSelected(3));
    EXPECT_FALSE(groups_->SetSelected(-2));
    EXPECT_TRUE(groups_->SetSelected(-1));
    EXPECT_EQ(selections_, (std::vector<int>{2, -1}));
    EXPECT_TRUE(groups_->Row(0)->property("selected").isValid());
    EXPECT_FALSE(groups_->Row(0)->property("selected").toBool());
    groups_->SetSelected(1, false);
    EXPECT_TRUE(groups_->Row(1)->property("selected").toBool());
}

TEST_F(ListViewTest, APressAnywhereInARowSelectsItAndIsOneClick) {
    ShowNames({"a", "b", "c"});
    QWidget* row = groups_->Row(2);
    // On the label, which lets the press travel on to the row, and on the
    // edit, which takes it.
    QTest::mouseClick(FindByName(row, "group_mark"), Qt::LeftButton);
    EXPECT_EQ(groups_->Selected(), 2);
    QTest::mouseClick(Find<Edit>(groups_->Row(1), "group_name"), Qt::LeftButton);
    EXPECT_EQ(groups_->Selected(), 1);
    EXPECT_EQ(names_.clicks, (std::vector<int>{2, 1}));
    EXPECT_EQ(selections_, (std::vector<int>{2, 1}));
}

TEST_F(ListViewTest, RowControlsKeepOneSubscriptionAcrossRefreshes) {
    ShowNames({"a", "b"});
    names_.NotifyDataSetChanged();
    names_.NotifyDataSetChanged();
    auto* edit = Find<Edit>(groups_->Row(1), "group_name");
    names_.edits.clear();
    edit->setText("bee");
    EXPECT_EQ(names_.edits, (std::vector<size_t>{1}));
    EXPECT_EQ(names_.names[1], "bee");

    QTest::mouseClick(FindByName(groups_->Row(0), "group_mark"), Qt::LeftButton);
    EXPECT_EQ(names_.clicks, (std::vector<int>{0}));
}

TEST_F(ListViewTest, AdapterAndViewMayGoInEitherOrder) {
    {
        NameAdapter shortLived;
        shortLived.names = {"x"};
        groups_->SetAdapter(&shortLived);
        EXPECT_EQ(groups_->RowCount(), 1);
    }
    EXPECT_EQ(groups_->Adapter(), nullptr);
    groups_->Refresh();
    EXPECT_EQ(groups_->RowCount(), 0);

    auto* orphan = new ListView;
    orphan->SetAdapter(&names_);
    delete orphan;
    names_.NotifyDataSetChanged(); // reaches no deleted view
}

TEST_F(ListViewTest, CellsSitUnderTheirHeaderColumns) {
    steps_.codes = {"70004", "70005"};
    keys_->SetAdapter(&steps_);
    ASSERT_EQ(keys_->RowCount(), 2);
    EXPECT_EQ(keys_->Header()->Titles(), QStringList({"Code", "Name", "State", "Delay"}));
    const int lefts[] = {0, 60, 160, 240};
    const int widths[] = {60, 100, 80, 70};
    for (int column = 0; column < 4; ++column) {
        SCOPED_TRACE(column);
        const QRect header = keys_->Header()->ColumnRect(column);
        EXPECT_EQ(header.x(), lefts[column]);
        EXPECT_EQ(header.width(), widths[column]);
        QWidget* cell = FindByName(keys_->Row(1), steps_.ColumnName(column));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->geometry(), QRect(lefts[column], 0, widths[column], 24));
    }
    EXPECT_EQ(Find<Text>(keys_->Row(1), "key_code")->text(), "70005");
    EXPECT_EQ(IdOf(FindByName(keys_->Row(0), "col1")), 65576);
}

TEST_F(ListViewTest, AHeaderClickShowsTheMarksTheAdapterGives) {
    steps_.codes = {"70004"};
    keys_->SetAdapter(&steps_);
    using M = SortMark;
    const struct {
        int column;
        bool accept;
        std::vector<SortMark> shown;
    } clicks[] = {
        {1, true, {M::None, M::Ascending, M::None, M::None}},
        {1, true, {M::None, M::Descending, M::None, M::None}},
        {3, true, {M::None, M::None, M::None, M::Ascending}},
        {0, false, {M::None, M::None, M::None, M::Ascending}}, // refused: marks stay
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.column);
        steps_.accept = c.accept;
        const QRect column = keys_->Header()->ColumnRect(c.column);
        QTest::mouseClick(keys_->Header(), Qt::LeftButton, {}, column.center());
        EXPECT_EQ(steps_.clicked.back(), c.column);
        EXPECT_EQ(keys_->Marks(), c.shown);
    }
    EXPECT_EQ(steps_.clicked.size(), 4u);
}

TEST_F(ListViewTest, HeaderTitlesFollowTheLanguage) {
    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));
    EXPECT_EQ(keys_->Header()->Titles(), QStringList({"代码", "名称", "State", "延时"}));
    EXPECT_EQ(keys_->Headers(), QStringList({"Code", "Name", "State", "Delay"}));
}

} // namespace
} // namespace keywright::ui::test
