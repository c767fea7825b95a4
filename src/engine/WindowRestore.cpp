// Restore: the Space check, launching missing applications, placing each window, closing others.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/TextCompare.h"
#include "engine/WindowService.h"

namespace vantrel {
namespace {

RestoreSummary stoppedEarly(const std::vector<WindowState>& windows) {
    RestoreSummary summary;
    summary.totalWindows = static_cast<std::int64_t>(windows.size());
    return summary;
}

std::optional<RelativeFrame> savedRelativeFrame(const WindowState& state) {
    if (!state.relativeFrameX || !state.relativeFrameY || !state.relativeFrameWidth ||
        !state.relativeFrameHeight)
        return std::nullopt;
    return RelativeFrame{*state.relativeFrameX, *state.relativeFrameY, *state.relativeFrameWidth,
                         *state.relativeFrameHeight};
}

// The pause after the k-th failed check: interval, then interval x floor(1.5^k), at most 2 s.
Duration backOff(Duration interval, int k) {
    constexpr Duration cap = 2s;
    const double factor = k == 0 ? 1.0 : std::floor(std::pow(1.5, k));
    // Computed in floating point so that large attempt counts cannot overflow.
    const double nanoseconds = static_cast<double>(interval.count()) * factor;
    if (!(nanoseconds < static_cast<double>(cap.count()))) return cap;
    return Duration{static_cast<Duration::rep>(nanoseconds)};
}

bool cancelled(const RestoreControl* control) {
    return control != nullptr && control->isCancelled();
}

// X carries positions and sizes as 16-bit numbers, and no monitor is larger: a frame outside
// these bounds (a huge or negative value from a damaged file) would only be mangled on its way.
bool showable(const Rect& frame) {
    constexpr double limit = 32767;
    const auto within = [&](double value) { return value >= -limit && value <= limit; };
    return within(frame.x) && within(frame.y) && frame.width >= 1 && frame.width <= limit &&
           frame.height >= 1 && frame.height <= limit && within(frame.x + frame.width) &&
           within(frame.y + frame.height);
}

// The app of `bundleID` when it runs; any activation policy.
const RunningApplication* findApplication(const std::vector<RunningApplication>& running,
                                          const std::string& bundleID) {
    for (const auto& candidate : running)
        if (candidate.bundleID == bundleID) return &candidate;
    return nullptr;
}

std::string describe(const Rect& frame) {
    char text[160];
    std::snprintf(text, sizeof text, "%g,%g %gx%g", frame.x, frame.y, frame.width, frame.height);
    return text;
}

}  // namespace

void RestoreControl::noteLaunch(const std::string& bundleID) {
    std::lock_guard lock(mutex_);
    launched_.insert(bundleID);
}

bool RestoreControl::takeLaunch(const std::string& bundleID) {
    std::lock_guard lock(mutex_);
    const auto it = launched_.find(bundleID);
    if (it == launched_.end()) return false;
    launched_.erase(it);
    return true;
}

RestoreSummary WindowService::restoreWindows(
    const std::vector<WindowState>& windows,
    const std::optional<DisplayConfiguration>& displayConfiguration, bool displaysChanged,
    bool skipSpaceCheck, bool launchMissingApps, bool closeOtherApps, RestoreControl* control) {
    spaces_.start();
    if (!hasAccessibilityPermission.get()) {
        log_.line("WindowService: No accessibility permission");
        return stoppedEarly(windows);
    }
    if (!skipSpaceCheck && spaceCheckStops(windows, displayConfiguration)) {
        RestoreSummary summary = stoppedEarly(windows);
        summary.awaitingSpaceChoice = true;
        return summary;
    }

    // Windows of this program in older layouts are not the user's arrangement: left alone.
    const std::string own = windowSystem_.ownBundleID();
    std::vector<WindowState> toPlace;
    for (const auto& window : windows)
        if (window.appBundleID != own) toPlace.push_back(window);

    RestoreSummary summary;
    summary.totalWindows = static_cast<std::int64_t>(toPlace.size());
    if (launchMissingApps && !cancelled(control))
        summary.launchedApps = launchMissingApplications(toPlace, control);

    bool useRelative = displaysChanged;
    if (!useRelative && displayConfiguration) {
        const DisplayConfiguration current{currentDisplayConfiguration()};
        useRelative = displayConfiguration->displays.size() != current.displays.size() ||
                      displayConfiguration->sizeSignature() != current.sizeSignature();
    }

    if (!placeAll(toPlace, useRelative, displayConfiguration, skipSpaceCheck, control, summary))
        return summary;
    if (closeOtherApps && !cancelled(control)) summary.closedApps = closeOtherApplications(toPlace);
    return summary;
}

bool WindowService::placeAll(const std::vector<WindowState>& toPlace, bool useRelative,
                             const std::optional<DisplayConfiguration>& displayConfiguration,
                             bool toCurrentSpace, RestoreControl* control,
                             RestoreSummary& summary) {
    const std::string layoutName = control != nullptr ? control->layoutName : std::string();
    // Every window is made ready first and then placed in one request, so the desktop answers
    // them all at once; their outcomes are counted and logged afterwards, in window order.
    std::vector<PreparedWindow> prepared;
    std::vector<FrameWrite> writes;
    std::vector<std::size_t> windowOfWrite;
    std::optional<std::size_t> stoppedAt;
    std::size_t last = 0;  // the window of the latest write
    // Read once: the windows are prepared back to back, without the pauses between them.
    const std::vector<RunningApplication> running = windowSystem_.runningApplications();
    for (std::size_t i = 0; i < toPlace.size(); ++i) {
        if (cancelled(control)) {
            stoppedAt = i;
            break;
        }
        prepared.push_back(prepareWindow(running, toPlace[i], useRelative, displayConfiguration,
                                         toCurrentSpace, layoutName));
        if (prepared.back().outcome) continue;
        // Each window is sent 50 ms after the one before it, as if every window were placed.
        prepared.back().write.delay = kWindowGap * static_cast<Duration::rep>(i - last);
        last = i;
        writes.push_back(prepared.back().write);
        windowOfWrite.push_back(i);
    }
    // Quit stops a long restore between two windows, also once the request is under way.
    const std::vector<AXError> errors =
        writes.empty() ? std::vector<AXError>{}
                       : windowSystem_.setFrames(writes, [control] { return cancelled(control); });
    if (errors.size() < writes.size()) {
        stoppedAt = windowOfWrite[errors.size()];
        prepared.resize(*stoppedAt);
    }
    std::size_t written = 0;
    for (std::size_t i = 0; i < prepared.size(); ++i) {
        const auto result = finish(prepared[i], toPlace[i], errors, written);
        summary.count(result);
        auto& missing = summary.missingApps;
        if (result == WindowRestoreResult::appNotRunning &&
            std::find(missing.begin(), missing.end(), toPlace[i].appName) == missing.end())
            missing.push_back(toPlace[i].appName);
    }
    if (stoppedAt) {
        log_.line("WindowService: Stopped restoring " + layoutName + " after " +
                  std::to_string(*stoppedAt) + " of " + std::to_string(toPlace.size()) +
                  " windows");
        return false;
    }
    // The pauses the windows after the last write would have had.
    const std::size_t end = writes.empty() ? 0 : last;
    if (end + 1 < toPlace.size())
        pause(kWindowGap * static_cast<Duration::rep>(toPlace.size() - 1 - end), control);
    return true;
}

bool WindowService::spaceCheckStops(
    const std::vector<WindowState>& windows,
    const std::optional<DisplayConfiguration>& displayConfiguration) {
    const auto current = spaces_.currentSpace();
    std::set<std::int64_t> captured;
    for (const auto& window : windows)
        if (window.spaceIndex && !window.isOnAllSpaces) captured.insert(*window.spaceIndex);
    // Layouts spread over several Spaces, or without any, restore wherever the user is.
    if (captured.size() != 1 || !current || *captured.begin() == current->index) return false;

    spaceMismatch_.post(mainQueue_, SpaceMismatch{*captured.begin(), current->index, windows,
                                                  displayConfiguration});
    return true;
}

std::int64_t WindowService::launchMissingApplications(const std::vector<WindowState>& windows,
                                                      RestoreControl* control) {
    std::set<std::string> running;
    for (const auto& application : windowSystem_.runningApplications())
        if (application.bundleID) running.insert(*application.bundleID);
    std::set<std::string> missing;
    for (const auto& window : windows)
        if (!running.contains(window.appBundleID)) missing.insert(window.appBundleID);

    std::int64_t launched = 0;
    for (const auto& bundleID : missing) {
        if (cancelled(control)) break;
        const auto location = windowSystem_.applicationLocation(bundleID);
        if (!location) continue;
        if (control != nullptr) control->noteLaunch(bundleID);
        const auto result = windowSystem_.openApplication(*location, /*activates=*/false);
        if (result.ok())
            ++launched;
        else
            log_.line("WindowService: Failed to launch " + bundleID + ": " +
                      result.error().message);
    }
    if (launched > 0) waitForAppWindows(missing, 10, 300ms, control);
    return launched;
}

void WindowService::waitForAppWindows(const std::set<std::string>& bundleIDs, int attempts,
                                      Duration interval, RestoreControl* control) {
    for (int k = 0; k < attempts && !cancelled(control); ++k) {
        bool ready = true;
        for (const auto& application : windowSystem_.runningApplications()) {
            if (!application.bundleID || !bundleIDs.contains(*application.bundleID)) continue;
            const AttributeRead read = windowSystem_.copyAttribute(
                windowSystem_.applicationElement(application), attribute::kWindows);
            const auto* windows = read.as<std::vector<Element>>();
            if (windows == nullptr || windows->empty()) {
                ready = false;
                break;
            }
        }
        // After the last check there is nothing left to wait for.
        if (ready || k + 1 == attempts) return;
        // In short steps when the restore can be stopped, so that Quit never waits long.
        pause(backOff(interval, k), control);
    }
}

void WindowService::pause(Duration duration, RestoreControl* control) {
    (void)sleepUnlessStopped(
        clock_, duration,
        control == nullptr ? std::function<bool()>{} : [control] { return cancelled(control); });
}

WindowService::PreparedWindow WindowService::prepareWindow(
    const std::vector<RunningApplication>& running, const WindowState& state, bool useRelative,
    const std::optional<DisplayConfiguration>& saved, bool toCurrentSpace,
    std::string_view layoutName) {
    const auto fail = [](WindowRestoreResult result, std::string line) {
        return PreparedWindow{result, {}, std::move(line)};
    };
    const RunningApplication* application = findApplication(running, state.appBundleID);
    if (application == nullptr)
        return fail(WindowRestoreResult::appNotRunning,
                    "WindowService: App not running: " + state.appBundleID);

    const AttributeRead read = windowSystem_.copyAttribute(
        windowSystem_.applicationElement(*application), attribute::kWindows);
    const auto* windows = read.as<std::vector<Element>>();
    if (windows == nullptr)
        return fail(WindowRestoreResult::windowNotFound,
                    "WindowService: Could not get windows for " + state.appName);

    // The saved index wins, then the saved title, then the first window.
    Element window;
    if (state.windowIndex >= 0 && static_cast<std::uint64_t>(state.windowIndex) < windows->size()) {
        window = (*windows)[static_cast<std::size_t>(state.windowIndex)];
    } else if (state.windowTitle) {
        for (const auto& candidate : *windows) {
            const AttributeRead title = windowSystem_.copyAttribute(candidate, attribute::kTitle);
            const auto* text = title.as<std::string>();
            if (text != nullptr && canonicallyEqual(*text, *state.windowTitle)) {
                window = candidate;
                break;
            }
        }
    } else if (!windows->empty()) {
        window = windows->front();
    }
    if (!window)
        return fail(WindowRestoreResult::windowNotFound,
                    "WindowService: Could not find matching window for " + state.appName);

    // Unminimize first: a minimized window ignores moves on some desktops.
    (void)windowSystem_.setAttribute(window, attribute::kMinimized,
                                     AttributeValue{state.isMinimized});
    // Moved before it is placed, so it is placed where the user looks. A window the platform
    // cannot move is still placed.
    if (toCurrentSpace && !state.isOnAllSpaces)
        (void)windowSystem_.moveWindowToCurrentSpace(window);

    Rect target{state.frameX, state.frameY, state.frameWidth, state.frameHeight};
    if (useRelative) {
        if (const auto relative = savedRelativeFrame(state))
            target = absoluteFrame(windowSystem_.screens(), state.displayID, *relative, saved);
    }
    if (!showable(target))
        return fail(WindowRestoreResult::placementFailed,
                    "WindowService: Refused the frame " + describe(target) + " of window " +
                        std::to_string(state.windowIndex) + " of " + state.appName + " in layout " +
                        std::string(layoutName));
    return PreparedWindow{
        std::nullopt, FrameWrite{window, {target.x, target.y}, {target.width, target.height}}, {}};
}

WindowRestoreResult WindowService::finish(const PreparedWindow& window, const WindowState& state,
                                          const std::vector<AXError>& errors,
                                          std::size_t& written) {
    WindowRestoreResult result = WindowRestoreResult::restored;
    std::string line = window.line;
    if (window.outcome) {
        result = *window.outcome;
    } else if (const std::size_t k = written++;
               k >= errors.size() || errors[k] != AXError::success) {
        result = WindowRestoreResult::placementFailed;
        line = "WindowService: Failed to set position/size for " + state.appName;
    }
    if (!line.empty()) log_.line(line);
    return result;
}

WindowRestoreResult WindowService::restoreWindow(const WindowState& state, bool useRelative,
                                                 const std::optional<DisplayConfiguration>& saved,
                                                 bool toCurrentSpace, std::string_view layoutName) {
    const PreparedWindow prepared = prepareWindow(windowSystem_.runningApplications(), state,
                                                  useRelative, saved, toCurrentSpace, layoutName);
    const std::vector<AXError> errors =
        prepared.outcome ? std::vector<AXError>{} : windowSystem_.setFrames({prepared.write});
    std::size_t written = 0;
    return finish(prepared, state, errors, written);
}

std::int64_t WindowService::closeOtherApplications(const std::vector<WindowState>& windows) {
    // A layout without windows would otherwise close every application.
    if (windows.empty()) {
        log_.line("WindowService: Not closing other apps: the layout has no windows");
        return 0;
    }
    std::set<std::string> layoutApps;
    for (const auto& window : windows) layoutApps.insert(window.appBundleID);
    std::int64_t closed = 0;
    for (const auto& application : windowSystem_.runningApplications()) {
        if (application.activationPolicy != ActivationPolicy::regular) continue;
        if (!application.bundleID) continue;
        if (layoutApps.contains(*application.bundleID)) continue;
        if (excludedBundleIDs_.contains(*application.bundleID)) continue;
        if (windowSystem_.terminate(application)) ++closed;
    }
    return closed;
}

}  // namespace vantrel
