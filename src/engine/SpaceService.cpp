// Space tracking: parsing the Spaces preferences, finding the current Space, the 5-second refresh.
#include "engine/SpaceService.h"

#include <limits>
#include <unordered_set>

namespace vantrel {
namespace {

// The "windows" list when it holds integers only; numbers beyond 32 bits cannot be window numbers
// and are skipped.
std::vector<std::uint32_t> windowNumbersOf(const PreferenceValue& space) {
    std::vector<std::uint32_t> numbers;
    const auto* windows = space.find("windows");
    if (windows == nullptr) return numbers;
    const auto* list = windows->as<PreferenceValue::List>();
    if (list == nullptr) return numbers;
    for (const auto& item : *list) {
        const auto* number = item.as<std::int64_t>();
        if (number == nullptr) return {};  // not a list of integers
        if (*number >= 0 && *number <= std::numeric_limits<std::uint32_t>::max())
            numbers.push_back(static_cast<std::uint32_t>(*number));
    }
    return numbers;
}

}  // namespace

std::vector<SpaceInfo> parseSpaces(const std::optional<PreferenceValue>& displayConfiguration) {
    std::vector<SpaceInfo> spaces;
    if (!displayConfiguration) return spaces;
    const auto* displays = displayConfiguration->as<PreferenceValue::Dictionary>();
    if (displays == nullptr) return spaces;
    std::int64_t n = 1;
    for (const auto& display : *displays) {
        const auto* list = display.value.find("Spaces");
        if (list == nullptr) continue;
        const auto* entries = list->as<PreferenceValue::List>();
        if (entries == nullptr) continue;
        // A list with anything but dictionaries in it is not a Space list.
        bool allDictionaries = true;
        for (const auto& entry : *entries)
            allDictionaries = allDictionaries && entry.as<PreferenceValue::Dictionary>() != nullptr;
        if (!allDictionaries) continue;
        for (const auto& entry : *entries) {
            const auto* uuidValue = entry.find("uuid");
            const auto* uuid = uuidValue != nullptr ? uuidValue->as<std::string>() : nullptr;
            if (uuid == nullptr) continue;
            const auto* typeValue = entry.find("type");
            const auto* type = typeValue != nullptr ? typeValue->as<std::int64_t>() : nullptr;
            spaces.push_back(
                SpaceInfo{*uuid, n, windowNumbersOf(entry), type != nullptr && *type == 4});
            ++n;
        }
    }
    return spaces;
}

std::vector<std::uint32_t> onScreenWindowNumbers(
    const std::optional<std::vector<WindowServerEntry>>& windowList) {
    std::vector<std::uint32_t> numbers;
    if (!windowList) return numbers;
    for (const auto& entry : *windowList)
        if (entry.layer == 0 && entry.number) numbers.push_back(*entry.number);
    return numbers;
}

std::optional<SpaceInfo> currentSpace(const std::vector<SpaceInfo>& spaces,
                                      const std::vector<std::uint32_t>& visible) {
    if (visible.empty()) {
        if (spaces.empty()) return std::nullopt;
        return spaces.front();
    }
    if (spaces.empty()) return std::nullopt;
    const std::unordered_set<std::uint32_t> visibleSet(visible.begin(), visible.end());
    const SpaceInfo* best = nullptr;
    std::size_t bestCount = 0;
    for (const auto& space : spaces) {
        std::unordered_set<std::uint32_t> shared;
        for (auto number : space.windowNumbers)
            if (visibleSet.contains(number)) shared.insert(number);
        if (shared.size() > bestCount) {
            bestCount = shared.size();
            best = &space;
        }
    }
    return best != nullptr ? *best : spaces.front();
}

SpacesSnapshot::SpacesSnapshot(std::vector<SpaceInfo> spaces) : spaces_(std::move(spaces)) {
    for (std::size_t i = 0; i < spaces_.size(); ++i) {
        // A number listed twice in one Space still counts that Space once.
        std::unordered_set<std::uint32_t> seen;
        for (auto number : spaces_[i].windowNumbers) {
            if (!seen.insert(number).second) continue;
            auto [it, inserted] = presence_.try_emplace(number, Presence{0, i});
            ++it->second.spaceCount;
        }
    }
}

bool SpacesSnapshot::isWindowOnAllSpaces(std::uint32_t windowNumber) const {
    if (spaces_.size() < 2) return false;
    const auto it = presence_.find(windowNumber);
    return it != presence_.end() && it->second.spaceCount == spaces_.size();
}

std::optional<SpaceInfo> SpacesSnapshot::spaceForWindow(std::uint32_t windowNumber) const {
    if (isWindowOnAllSpaces(windowNumber)) return std::nullopt;
    const auto it = presence_.find(windowNumber);
    if (it == presence_.end()) return std::nullopt;
    return spaces_[it->second.firstSpace];
}

SpaceService::SpaceService(WindowSystem& windowSystem, MainQueue& mainQueue)
    : windowSystem_(windowSystem),
      mainQueue_(mainQueue),
      self_(std::make_shared<SpaceService*>(this)) {}

SpaceService::~SpaceService() {
    refreshTimer_.reset();
    spaceChanges_.reset();
}

void SpaceService::watchSpaceChanges() {
    spaceChanges_ = windowSystem_.observeSpaceChanges([weak = std::weak_ptr<SpaceService*>(self_)] {
        if (auto self = weak.lock()) (*self)->refresh();
    });
}

void SpaceService::start() {
    if (started_.exchange(true)) return;
    std::weak_ptr<SpaceService*> weak = self_;
    auto tick = [weak] {
        if (auto self = weak.lock()) (*self)->refresh();
    };
    if (mainQueue_.isMainThread()) {
        watchSpaceChanges();
        refresh();
    } else {
        mainQueue_.post([weak, tick] {
            if (auto self = weak.lock()) (*self)->watchSpaceChanges();
            tick();
        });
    }
    refreshTimer_ = TimerHandle(mainQueue_, mainQueue_.startRepeating(5s, tick));
}

std::vector<SpaceInfo> SpaceService::allSpaces() {
    return parseSpaces(windowSystem_.spacesDisplayConfiguration());
}

std::vector<std::uint32_t> SpaceService::onScreenWindowNumbers() {
    return vantrel::onScreenWindowNumbers(windowSystem_.windowList());
}

std::optional<SpaceInfo> SpaceService::currentOf(const std::vector<SpaceInfo>& spaces) {
    if (const auto stated = windowSystem_.currentSpaceIndex()) {
        for (const auto& space : spaces)
            if (space.index == *stated) return space;
    }
    // Guessed only where the platform cannot say: on an empty desktop the guess is the first.
    return vantrel::currentSpace(spaces, onScreenWindowNumbers());
}

std::optional<SpaceInfo> SpaceService::currentSpace() {
    return currentOf(allSpaces());
}

bool SpaceService::isWindowOnAllSpaces(std::uint32_t windowNumber) {
    return snapshot().isWindowOnAllSpaces(windowNumber);
}

std::optional<SpaceInfo> SpaceService::spaceForWindow(std::uint32_t windowNumber) {
    return snapshot().spaceForWindow(windowNumber);
}

SpacesSnapshot SpaceService::snapshot() {
    return SpacesSnapshot(allSpaces());
}

void SpaceService::refresh() {
    const auto spaces = allSpaces();
    totalSpaces.set(spaces.empty() ? 1 : static_cast<std::int64_t>(spaces.size()));
    const auto current = currentOf(spaces);
    activeSpaceIndex.set(current ? std::optional<std::int64_t>(current->index) : std::nullopt);
}

}  // namespace vantrel
