// Preferences: read rules at start, each write's steps, presets and their stored shortcut map.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "model/PreferencesStore.h"
#include "model/PresetLayout.h"

namespace vantrel {
namespace {

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

class PreferencesTest : public ::testing::Test {
  protected:
    std::unique_ptr<PreferencesStore> make() {
        return std::make_unique<PreferencesStore>(defaults, loginItem, center, log);
    }
    std::string storedMap() const {
        const auto bytes = defaults.dataForKey("presetShortcuts");
        return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
    }

    InMemoryUserDefaults defaults;
    RecordingLoginItem loginItem;
    NotificationCenter center;
    MemoryLog log;
    int posts = 0;
    Subscription counter =
        center.addObserver("presetShortcutsDidChange", [this](const Notification& n) {
            EXPECT_TRUE(n.userInfo.empty());
            ++posts;
        });
};

TEST_F(PreferencesTest, FreshDefaultsWriteNothingOnlyAStoredBooleanCountsAndWhatIsStored) {
    EXPECT_TRUE(make()->presetShortcuts().empty());  // the other defaults: below, as fallbacks
    for (const char* key : {"launchAtLogin", "showWindowCount", "checkForUpdates",
                            "ignoreSpaceMismatch", "presetShortcuts"})
        EXPECT_TRUE(std::holds_alternative<std::monostate>(defaults.object(key))) << key;
    EXPECT_EQ(posts, 0);
    EXPECT_TRUE(loginItem.requests.empty());  // start-up never touches the login item
    // Text and numbers are not Booleans: each key keeps its own fallback, whatever they say.
    defaults.set("launchAtLogin", std::string("true"));
    defaults.set("ignoreSpaceMismatch", std::int64_t{1});
    defaults.set("checkForUpdates", std::string("false"));
    defaults.set("showWindowCount", std::int64_t{0});
    auto store = make();
    EXPECT_FALSE(store->launchAtLogin() || store->ignoreSpaceMismatch());
    EXPECT_TRUE(store->checkForUpdates() && store->showWindowCount());

    defaults.setBool("launchAtLogin", true);
    defaults.setBool("checkForUpdates", false);
    EXPECT_TRUE(make()->launchAtLogin());
    EXPECT_FALSE(make()->checkForUpdates());
    // Ignoring the workspace prompt is stored; the window count shown is not.
    store->setShowWindowCount(false);
    store->setIgnoreSpaceMismatch(true);
    EXPECT_FALSE(store->showWindowCount());
    EXPECT_EQ(defaults.object("showWindowCount"), DefaultsValue{std::int64_t{0}});  // as it was
    EXPECT_TRUE(make()->ignoreSpaceMismatch());
}

// A login item that notes what the defaults hold when it is asked.
class ProbingLoginItem final : public LoginItem {
  public:
    explicit ProbingLoginItem(const UserDefaults& defaults) : defaults_(defaults) {}
    Status setEnabled(bool wanted) override {
        seen.push_back({wanted, defaults_.boolForKey("launchAtLogin")});
        return Ok{};
    }
    std::vector<std::pair<bool, bool>> seen;  // (asked, stored at that moment)

  private:
    const UserDefaults& defaults_;
};

TEST_F(PreferencesTest, LaunchAtLoginAnnouncesThenStoresThenAsksTheLoginItem) {
    ProbingLoginItem probe(defaults);
    PreferencesStore store(defaults, probe, center, log);
    std::vector<std::string> steps;
    auto will = store.launchAtLoginPublisher().onWillChange([&](const bool& next) {
        steps.push_back("announce " + std::to_string(next) + ", value " +
                        std::to_string(store.launchAtLogin()) + ", stored " +
                        std::to_string(defaults.boolForKey("launchAtLogin")));
    });
    store.setLaunchAtLogin(true);
    store.setLaunchAtLogin(false);
    EXPECT_EQ(steps, (std::vector<std::string>{"announce 1, value 0, stored 0",
                                               "announce 0, value 1, stored 1"}));
    EXPECT_EQ(probe.seen, (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}}));
    EXPECT_EQ(defaults.object("launchAtLogin"), DefaultsValue{false});
}

TEST_F(PreferencesTest, CheckForUpdatesReachesALateSwitchAndARefusedLoginItemIsReported) {
    auto store = make();
    store->setCheckForUpdates(false);  // no update service yet: stored only
    EXPECT_EQ(defaults.object("checkForUpdates"), DefaultsValue{false});

    std::vector<std::pair<bool, bool>> switched;  // (value, stored at that moment)
    store->setAutomaticUpdateSwitch([&](bool enabled) {
        switched.emplace_back(enabled, defaults.boolForKey("checkForUpdates"));
    });
    store->setCheckForUpdates(true);
    EXPECT_EQ(switched, (std::vector<std::pair<bool, bool>>{{true, true}}));
    EXPECT_TRUE(store->checkForUpdates());

    // A refused login item is reported; the preference keeps the written value.
    loginItem.refusal = "Operation not permitted";
    store->setLaunchAtLogin(true);
    EXPECT_TRUE(store->launchAtLogin() && defaults.boolForKey("launchAtLogin"));
    store->setLaunchAtLogin(false);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "LaunchAtLogin: Failed to enable: Operation not permitted",
                               "LaunchAtLogin: Failed to disable: Operation not permitted"}));
    EXPECT_EQ(loginItem.requests, (std::vector<bool>{true, false}));  // no retries
}

TEST_F(PreferencesTest, PresetWriteStoresBeforePostingAndSurvivesARestart) {
    auto store = make();
    std::string storedWhenPosted;
    PresetShortcutMap inMemoryWhenPosted;
    auto sub = center.addObserver("presetShortcutsDidChange", [&](const Notification&) {
        storedWhenPosted = storedMap();
        inMemoryWhenPosted = store->presetShortcuts();
    });
    store->setPresetShortcut(PresetLayout::leftHalf, PresetShortcut{123, 786432});
    EXPECT_EQ(storedWhenPosted, R"({"Left Half":{"keyCode":123,"modifiers":786432}})");
    EXPECT_EQ(inMemoryWhenPosted, (PresetShortcutMap{{"Left Half", {123, 786432}}}));

    store->setPresetShortcut(PresetLayout::maximize, PresetShortcut{126, 0x100000 | 0x80000});
    const auto written = store->presetShortcuts();
    sub.reset();
    store.reset();
    posts = 0;
    EXPECT_EQ(make()->presetShortcuts(), written);
    EXPECT_EQ(posts, 1);
}

// A valid stored map posts once and is rewritten in one form, keeping keys that are no preset's
// raw value; clearing every shortcut stores an empty object and posts.
TEST_F(PreferencesTest, AValidStoredMapPostsOnceIsRewrittenKeepsUnknownKeysAndClearsToEmpty) {
    defaults.setData("presetShortcuts",
                     bytesOf(R"({ "Center" : { "modifiers" : 786432 , "keyCode" : 8 }, )"
                             R"("left half":{"keyCode":123,"modifiers":786432}})"));
    auto store = make();
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(storedMap(), R"({"Center":{"keyCode":8,"modifiers":786432},)"
                           R"("left half":{"keyCode":123,"modifiers":786432}})");
    store->setPresetShortcut(PresetLayout::leftHalf, PresetShortcut{124, 786432});
    EXPECT_EQ(store->presetShortcuts(), (PresetShortcutMap{{"Center", {8, 786432}},
                                                           {"Left Half", {124, 786432}},
                                                           {"left half", {123, 786432}}}));
    store->setPresetShortcuts({});
    EXPECT_EQ(storedMap(), "{}");
    EXPECT_EQ(posts, 3);
}

TEST_F(PreferencesTest, AStoredMapWithOneIncompleteEntryIsDiscardedWholeAndLeftAlone) {
    const std::string stored =
        R"({"Left Half":{"keyCode":123,"modifiers":786432},"Maximize":{"keyCode":126}})";
    defaults.setData("presetShortcuts", bytesOf(stored));
    auto store = make();
    EXPECT_TRUE(store->presetShortcuts().empty());
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(storedMap(), stored);
    EXPECT_TRUE(log.lines().empty());

    store->setPresetShortcut(PresetLayout::center, PresetShortcut{8, 0x40000});
    EXPECT_EQ(storedMap(), R"({"Center":{"keyCode":8,"modifiers":262144}})");
}

TEST_F(PreferencesTest, AnUnencodableMapKeepsTheOldStoredValueButStillPosts) {
    auto store = make();
    store->setPresetShortcut(PresetLayout::center, PresetShortcut{8, 0});
    const auto before = storedMap();
    posts = 0;
    auto shortcuts = store->presetShortcuts();
    shortcuts["Bad\xff"] = PresetShortcut{1, 2};
    store->setPresetShortcuts(shortcuts);
    EXPECT_EQ(store->presetShortcuts(), shortcuts);
    EXPECT_EQ(storedMap(), before);
    EXPECT_EQ(posts, 1);
}

// A raw value shared by two cases would send the second back as the first.
TEST(PresetLayout, EveryCaseRoundTripsThroughItsRawValueExactly) {
    for (const auto preset : allPresetLayouts())
        EXPECT_EQ(presetLayoutFromRawValue(rawValue(preset)), preset) << rawValue(preset);
    for (const char* text : {"left half", "Left Half ", "LeftHalf", ""})
        EXPECT_EQ(presetLayoutFromRawValue(text), std::nullopt) << '"' << text << '"';
}

TEST(PresetShortcutJson, EncodesTheDocumentedFormAndRoundTripsExtremesAndUnknownKeys) {
    // The stored form of a written map: PresetWriteStoresBeforePostingAndSurvivesARestart.
    EXPECT_EQ(decodePresetShortcuts("{}"), PresetShortcutMap{});
    const PresetShortcutMap map{
        {"Maximize", {0, 0}},
        {"Right Two Thirds", {65535, std::numeric_limits<std::uint64_t>::max()}},
        {"left half", {123, 0x100000}},  // not a raw value, but kept
        {"Ünïcode ⌘", {1, 2}},
    };
    const auto json = encodePresetShortcuts(map);
    ASSERT_TRUE(json);
    EXPECT_EQ(decodePresetShortcuts(*json), map);
    EXPECT_EQ(encodePresetShortcuts({{"Left\xff", {1, 2}}}), std::nullopt);
}

TEST(PresetShortcutJson, AnyFaultRejectsTheWholeMap) {
    const std::string good = R"("Maximize":{"keyCode":1,"modifiers":2})";
    for (const char* json : {"", "[]", "null", "\"{}\"", "{", "{}}", R"({"a":{"keyCode":1,})",
                             "{\"\xff\":{\"keyCode\":1,\"modifiers\":2}}"})
        EXPECT_EQ(decodePresetShortcuts(json), std::nullopt) << json;
    // One faulty "Left Half" entry beside a good one.
    for (const char* entry :
         {R"({"keyCode":123})", R"({"modifiers":786432})", R"({"keyCode":65536,"modifiers":0})",
          R"({"keyCode":-1,"modifiers":0})", R"({"keyCode":12.0,"modifiers":0})",
          R"({"keyCode":"12","modifiers":0})", R"({"keyCode":1,"modifiers":18446744073709551616})",
          R"({"keyCode":1,"modifiers":-786432})", R"([123,786432])"})
        EXPECT_EQ(decodePresetShortcuts("{" + good + ",\"Left Half\":" + entry + "}"), std::nullopt)
            << entry;
}

}  // namespace
}  // namespace vantrel
