// Vantrel's KWin script: reports the desktop to Vantrel and carries out its requests.
// Protocol: docs/kwin-protocol.md. Works on KWin 5.27 and 6: features are checked, never versions.
"use strict";

var VERSION = 1;
var SERVICE = "app.vantrel.KWinBridge";
var PATH = "/app/vantrel/KWinBridge";
var IFACE = "app.vantrel.KWinBridge1";

var kwin6 = typeof workspace.windowList === "function";
var maximized = {};  // internalId -> bool, for KWin 5.27 which has no maximize property
// Registered shortcut names -> whether Vantrel still wants their presses. A script cannot
// unregister a shortcut: a released one stays registered and reports nothing.
var shortcuts = {};

function report(message) {
    callDBus(SERVICE, PATH, IFACE, "Report", JSON.stringify(message));
}

function allWindows() {
    return kwin6 ? workspace.windowList() : workspace.clientList();
}

function idOf(w) {
    return String(w.internalId);
}

function rect(r) {
    return [r.x, r.y, r.width, r.height];
}

function desktopIndex(desktop) {
    // KWin 6: a desktop object; 5.27: a number from 1.
    if (typeof desktop === "number") return desktop - 1;
    var list = workspace.desktops;
    for (var i = 0; i < list.length; ++i)
        if (list[i] === desktop) return i;
    return -1;
}

function windowDesktop(w) {
    if (w.onAllDesktops) return -1;
    if (kwin6) return w.desktops.length > 0 ? desktopIndex(w.desktops[0]) : -1;
    return desktopIndex(w.desktop);
}

function isMaximized(w) {
    if (typeof w.maximizeMode === "number") return w.maximizeMode !== 0;
    return maximized[idOf(w)] === true;
}

// Windows a user arranges: ordinary windows and dialogs, not docks, panels or the desktop.
function wanted(w) {
    return w.managed !== false && (w.normalWindow || w.dialog) && !w.specialWindow;
}

function describe(w) {
    return {
        id: idOf(w), pid: w.pid, resourceClass: String(w.resourceClass),
        resourceName: String(w.resourceName), desktopFile: String(w.desktopFileName || ""),
        title: String(w.caption), frame: rect(w.frameGeometry), minimized: w.minimized,
        fullScreen: w.fullScreen, maximized: isMaximized(w), desktop: windowDesktop(w),
        active: w.active, stacking: w.stackingOrder, keepAbove: w.keepAbove,
        keepBelow: w.keepBelow, skipTaskbar: w.skipTaskbar
    };
}

function monitors() {
    var list = [];
    var current = workspace.currentDesktop;
    var outputs = kwin6 ? workspace.screens : null;
    var count = outputs ? outputs.length : workspace.numScreens;
    for (var i = 0; i < count; ++i) {
        var screen = outputs ? outputs[i] : i;
        var m = {
            index: i, frame: rect(workspace.clientArea(KWin.ScreenArea, screen, current)),
            workArea: rect(workspace.clientArea(KWin.PlacementArea, screen, current))
        };
        if (outputs) {
            m.name = String(screen.name);
            m.manufacturer = String(screen.manufacturer || "");
            m.model = String(screen.model || "");
            m.serial = String(screen.serialNumber || "");
        }
        list.push(m);
    }
    return list;
}

function workspaces() {
    var count = kwin6 ? workspace.desktops.length : workspace.desktops;
    return { count: count, current: desktopIndex(workspace.currentDesktop) };
}

function sendWindow(w) {
    if (wanted(w)) report({ kind: "window", window: describe(w) });
}

var windowSignals = ["frameGeometryChanged", "captionChanged", "minimizedChanged",
    "fullScreenChanged", "desktopChanged", "desktopsChanged", "activeChanged",
    "stackingOrderChanged", "maximizedChanged", "desktopFileNameChanged", "keepAboveChanged",
    "keepBelowChanged", "onAllDesktopsChanged"];

function follow(w) {
    windowSignals.forEach(function (name) {
        if (w[name] && typeof w[name].connect === "function")
            w[name].connect(function () { sendWindow(w); });
    });
}

function sendState() {
    var windows = [];
    allWindows().forEach(function (w) { if (wanted(w)) windows.push(describe(w)); });
    report({ kind: "state", version: VERSION, windows: windows, monitors: monitors(),
             workspaces: workspaces() });
}

function find(id) {
    var list = allWindows();
    for (var i = 0; i < list.length; ++i)
        if (idOf(list[i]) === id) return list[i];
    return null;
}

function activate(w) {
    if (kwin6) workspace.activeWindow = w; else workspace.activeClient = w;
}

// One entry per request; each returns an error text, or nothing when done.
var requests = {
    place: function (w, r) {
        if (w.fullScreen) w.fullScreen = false;
        // Unmaximising a window that is not maximised changes nothing; asking always also
        // covers a KWin whose scripts cannot read the maximised state.
        if (typeof w.setMaximize === "function") w.setMaximize(false, false);
        w.frameGeometry = { x: r.frame[0], y: r.frame[1], width: r.frame[2], height: r.frame[3] };
    },
    minimize: function (w, r) { w.minimized = r.minimized; },
    toCurrentDesktop: function (w) {
        if (kwin6) w.desktops = [workspace.currentDesktop];
        else w.desktop = workspace.currentDesktop;
    },
    activate: function (w) { activate(w); },
    close: function (w) {
        if (!w.closeable) return "not closeable";
        w.closeWindow();
    },
    registerShortcut: function (w, r) {
        if (!(r.name in shortcuts))
            registerShortcut(r.name, r.text, r.keys, function () {
                if (shortcuts[r.name]) report({ kind: "shortcut", name: r.name });
            });
        shortcuts[r.name] = true;
    },
    unregisterShortcut: function (w, r) {
        if (!(r.name in shortcuts)) return "not registered";
        shortcuts[r.name] = false;
    }
};
var windowless = { registerShortcut: true, unregisterShortcut: true };

function carryOut(text) {
    var r;
    try { r = JSON.parse(text); } catch (e) { print("vantrel: bad request"); return; }
    if (r.op === "idle" || typeof r.id !== "number") return;
    var answer = { id: r.id, ok: false };
    var handler = requests[r.op];
    var w = windowless[r.op] ? null : find(String(r.window));
    if (!handler) answer.error = "unknown request";
    else if (!w && !windowless[r.op]) answer.error = "gone";
    else {
        try {
            var error = handler(w, r);
            if (error) answer.error = error; else answer.ok = true;
        } catch (e) { answer.error = String(e); }
    }
    callDBus(SERVICE, PATH, IFACE, "Answer", JSON.stringify(answer));
}

function poll() {
    callDBus(SERVICE, PATH, IFACE, "Next", function (text) {
        carryOut(text);
        poll();
    });
}

var added = kwin6 ? workspace.windowAdded : workspace.clientAdded;
var removed = kwin6 ? workspace.windowRemoved : workspace.clientRemoved;
added.connect(function (w) {
    follow(w);
    sendWindow(w);
});
removed.connect(function (w) { report({ kind: "removed", id: idOf(w) }); });
if (workspace.clientMaximizeSet)
    workspace.clientMaximizeSet.connect(function (w, h, v) {
        maximized[idOf(w)] = h || v;
        sendWindow(w);
    });
function sendMonitors() { report({ kind: "monitors", monitors: monitors() }); }
function sendWorkspaces() {
    report({ kind: "workspaces", workspaces: workspaces() });
    sendMonitors();
}
["numberScreensChanged", "screenResized", "screensChanged", "virtualScreenGeometryChanged"]
    .forEach(function (name) { if (workspace[name]) workspace[name].connect(sendMonitors); });
["currentDesktopChanged", "numberDesktopsChanged", "desktopsChanged"]
    .forEach(function (name) { if (workspace[name]) workspace[name].connect(sendWorkspaces); });

allWindows().forEach(follow);
sendState();
poll();
