#include "settings/SettingsRegistry.h"

#include "support/LogCheck.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace keywright {
namespace {

using test::TempFolder;

TEST(SettingsRegistry, CreatesEachObjectOnceInItsNewState) {
    SettingsRegistry registry("/nonexistent");
    MacroSettings& macros = registry.GetMacroSettings();
    EXPECT_EQ(&macros, &registry.GetMacroSettings());
    EXPECT_EQ(&registry.GetRecordStore(), &registry.GetRecordStore());
    EXPECT_EQ(&registry.GetAppConfig(), &registry.GetAppConfig());
    EXPECT_EQ(macros.repeat, 1);
    EXPECT_EQ(macros.delay, 10);
    EXPECT_TRUE(registry.GetRecordStore().Snapshot()->empty());
    EXPECT_TRUE(registry.GetSideModelTable().Path().empty());
    EXPECT_EQ(registry.GetLedEffectTable().GetCurrent(), 20);
    EXPECT_EQ(registry.GetAppConfig().Chinese(), 0);
}

TEST(SettingsRegistry, StartUpOnAnEmptyFolderWritesOnlyTheLightingFiles) {
    TempFolder folder;
    SettingsRegistry registry(folder.Path());
    registry.LoadAll();
    EXPECT_EQ(folder.List(), (std::vector<std::string>{"ledeffect.xml", "sidemodel.xml"}));
    EXPECT_EQ(registry.GetMacroSettings().Path(), folder / "macro.xml");
    EXPECT_EQ(registry.GetRecordStore().Path(), folder / "record.xml");
}

TEST(SettingsRegistry, ReadOnlyRegistryLoadsTheSameAndWritesNothing) {
    test::ExpectLog malformed("not well-formed XML");
    TempFolder folder;
    folder.Write("macro.xml", "<macro><group name=\"g\" /></macro>");
    folder.Write("record.xml", "<record code=\"70004\" />");
    folder.Write("ledeffect.xml", "<effect sel=\"2\" broken");
    SettingsRegistry registry(folder.Path(), SaveMode::ReadOnly);
    registry.LoadAll();
    EXPECT_EQ(registry.GetMacroSettings().GroupCount(), 1u);
    EXPECT_EQ(registry.GetRecordStore().Snapshot()->size(), 1u);
    EXPECT_EQ(registry.GetLedEffectTable().GetCurrent(), 20); // defaults, as at start-up
    EXPECT_EQ(registry.GetSideModelTable().GetEntry(3)->Level(), 7);

    registry.GetMacroSettings().AddGroup();
    EXPECT_FALSE(registry.GetMacroSettings().Save());
    EXPECT_EQ(folder.List(),
              (std::vector<std::string>{"ledeffect.xml", "macro.xml", "record.xml"}));
    EXPECT_EQ(folder.Read("ledeffect.xml"), "<effect sel=\"2\" broken");
}

} // namespace
} // namespace keywright
