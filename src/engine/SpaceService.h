// Which desktop (Space) each window lies on, from the Spaces preferences and the on-screen list.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/MainQueue.h"
#include "base/Published.h"
#include "engine/WindowSystem.h"

namespace vantrel {

// One Space. Two Spaces are the same Space when their uuids are equal.
struct SpaceInfo {
    std::string uuid;
    std::int64_t index = 0;  // from 1, over all Spaces of all displays
    std::vector<std::uint32_t> windowNumbers;
    bool isFullscreen = false;

    friend bool operator==(const SpaceInfo& a, const SpaceInfo& b) { return a.uuid == b.uuid; }
};

// The Spaces read once, with a window-number index so that many lookups stay cheap.
class SpacesSnapshot {
  public:
    explicit SpacesSnapshot(std::vector<SpaceInfo> spaces);

    const std::vector<SpaceInfo>& spaces() const { return spaces_; }
    // With two or more Spaces: true when every Space lists the window.
    bool isWindowOnAllSpaces(std::uint32_t windowNumber) const;
    // The first Space listing the window, unless it is on all Spaces.
    std::optional<SpaceInfo> spaceForWindow(std::uint32_t windowNumber) const;

  private:
    struct Presence {
        std::size_t spaceCount = 0;  // distinct Spaces listing the window
        std::size_t firstSpace = 0;
    };
    std::vector<SpaceInfo> spaces_;
    std::unordered_map<std::uint32_t, Presence> presence_;
};

// The Spaces in the preference data; entries without a text "uuid" are skipped and take no number.
std::vector<SpaceInfo> parseSpaces(const std::optional<PreferenceValue>& displayConfiguration);
// Numbers of the ordinary (layer 0) on-screen windows, in list order.
std::vector<std::uint32_t> onScreenWindowNumbers(
    const std::optional<std::vector<WindowServerEntry>>& windowList);
// The Space whose windows best cover those on screen; the first Space when nothing decides.
std::optional<SpaceInfo> currentSpace(const std::vector<SpaceInfo>& spaces,
                                      const std::vector<std::uint32_t>& visible);

class SpaceService {
  public:
    SpaceService(WindowSystem& windowSystem, MainQueue& mainQueue);
    SpaceService(const SpaceService&) = delete;
    SpaceService& operator=(const SpaceService&) = delete;
    ~SpaceService();

    // Refreshes once, starts the 5-second refresh and refreshes whenever the platform says the
    // current Space changed. Runs once; later calls do nothing. Safe from any thread: off the
    // main thread the first refresh is posted to it.
    void start();
    bool started() const { return started_.load(); }

    // These read the platform afresh on every call and keep no state; safe from any thread.
    std::vector<SpaceInfo> allSpaces();
    std::vector<std::uint32_t> onScreenWindowNumbers();
    // The Space the platform states as current, else the one the on-screen windows point to.
    std::optional<SpaceInfo> currentSpace();
    bool isWindowOnAllSpaces(std::uint32_t windowNumber);
    std::optional<SpaceInfo> spaceForWindow(std::uint32_t windowNumber);
    // Reads the Spaces once for many lookups.
    SpacesSnapshot snapshot();

    // Updates activeSpaceIndex and totalSpaces; main thread.
    void refresh();

    Published<std::optional<std::int64_t>> activeSpaceIndex{std::nullopt};
    Published<std::int64_t> totalSpaces{1};

  private:
    std::optional<SpaceInfo> currentOf(const std::vector<SpaceInfo>& spaces);
    void watchSpaceChanges();

    WindowSystem& windowSystem_;
    MainQueue& mainQueue_;
    std::atomic<bool> started_{false};
    TimerHandle refreshTimer_;
    Subscription spaceChanges_;
    // Lets queued ticks see that the service is gone.
    std::shared_ptr<SpaceService*> self_;
};

}  // namespace vantrel
