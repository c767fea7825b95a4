// Vantrel's service inside GNOME Shell: lists and moves windows for Vantrel over the session bus.
// Shared by both entry files; the Shell's Main module is passed in because GNOME 43/44 cannot
// import it from an ES module.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';

const VERSION = 1;
const BUS_NAME = 'app.vantrel.Shell';
const OBJECT_PATH = '/app/vantrel/Shell';
const DENIED = 'org.freedesktop.DBus.Error.AccessDenied';
const INVALID = 'org.freedesktop.DBus.Error.InvalidArgs';
const NO_WINDOW = 'app.vantrel.Shell1.Error.NoSuchWindow';
const FAILED = 'org.freedesktop.DBus.Error.Failed';
// Wider than any desktop; keeps a bad request from asking Mutter for absurd frames.
const COORD_LIMIT = 1 << 16;

const IFACE = `<node><interface name="app.vantrel.Shell1">
  <property name="Version" type="u" access="read"/>
  <method name="Register"/>
  <method name="ListWindows"><arg name="json" type="s" direction="out"/></method>
  <method name="ListMonitors"><arg name="json" type="s" direction="out"/></method>
  <method name="MoveResize"><arg name="id" type="t"/><arg name="x" type="i"/><arg name="y" type="i"/>
    <arg name="width" type="i"/><arg name="height" type="i"/></method>
  <method name="Minimize"><arg name="id" type="t"/></method>
  <method name="Unminimize"><arg name="id" type="t"/></method>
  <method name="Activate"><arg name="id" type="t"/></method>
  <method name="Close"><arg name="id" type="t"/></method>
  <method name="MoveToWorkspace"><arg name="id" type="t"/><arg name="workspace" type="i"/></method>
  <method name="GrabAccelerator"><arg name="accelerator" type="s"/>
    <arg name="action" type="u" direction="out"/></method>
  <method name="UngrabAccelerator"><arg name="action" type="u"/></method>
  <signal name="WindowsChanged"/>
  <signal name="MonitorsChanged"/>
  <signal name="WorkspaceChanged"/>
  <signal name="AppStarted"><arg name="json" type="s"/></signal>
  <signal name="AcceleratorActivated"><arg name="action" type="u"/></signal>
</interface></node>`;

// The largest EDID there is (256 blocks of 128 bytes); anything longer is not one.
const EDID_LIMIT = 32768;

function displayConfigCall(method) {
    return new Promise((resolve, reject) => Gio.DBus.session.call(
        'org.gnome.Mutter.DisplayConfig', '/org/gnome/Mutter/DisplayConfig',
        'org.gnome.Mutter.DisplayConfig', method, null, null,
        Gio.DBusCallFlags.NONE, 10000, null, (c, result) => {
            try {
                resolve(c.call_finish(result));
            } catch (e) {
                reject(e);
            }
        }));
}

// The bytes of a file Mutter names as an output's EDID: a regular file, read up to the limit.
function readEdidFile(path) {
    const file = Gio.File.new_for_path(path);
    const info = file.query_info('standard::type', Gio.FileQueryInfoFlags.NONE, null);
    if (info.get_file_type() !== Gio.FileType.REGULAR)
        return null;
    const stream = file.read(null);
    try {
        const chunks = [];
        let size = 0;
        for (;;) {
            const chunk = stream.read_bytes(4096, null).toArray();
            if (chunk.length === 0)
                break;
            size += chunk.length;
            if (size > EDID_LIMIT)
                return null;
            chunks.push(chunk);
        }
        const bytes = new Uint8Array(size);
        chunks.reduce((at, chunk) => (bytes.set(chunk, at), at + chunk.length), 0);
        return bytes;
    } finally {
        stream.close(null);
    }
}

// GetResources' outputs carry their EDID as bytes ("edid") or as a file to read ("edid-file"):
// each connector's EDID as hex text, where there is one.
function edidsByConnector(reply) {
    const [, , outputs] = reply.deepUnpack();
    const edids = new Map();
    for (const [, , , , connector, , , properties] of outputs) {
        try {
            let bytes = null;
            if (properties.edid)
                bytes = properties.edid.get_data_as_bytes().toArray();
            else if (properties['edid-file'])
                bytes = readEdidFile(properties['edid-file'].deepUnpack());
            if (bytes && bytes.length > 0 && bytes.length <= EDID_LIMIT)
                edids.set(connector, Array.from(bytes, b => b.toString(16).padStart(2, '0')).join(''));
        } catch (e) {
            logError(e, `Vantrel: no EDID for ${connector}`);
        }
    }
    return edids;
}

// A refusal the caller sees as a D-Bus error; anything else thrown is a fault of ours.
class Refusal extends Error {
    constructor(name, message) {
        super(message);
        this.dbusName = name;
    }
}

function check(condition, message) {
    if (!condition)
        throw new Refusal(INVALID, message);
}

function rect(r) {
    return [r.x, r.y, r.width, r.height];
}

function isMaximized(w) {
    // Mutter 49 replaced get_maximized() by is_maximized().
    return w.get_maximized ? w.get_maximized() !== 0 : w.is_maximized();
}

// Every window Mutter manages, from the moment it announces it (a window's actor comes later).
function allWindows() {
    return global.display.list_all_windows?.() ?? global.get_window_actors().map(a => a.meta_window);
}

function appOf(w) {
    const app = Shell.WindowTracker.get_default().get_window_app(w);
    const id = app?.get_id() ?? '';
    // Windows without a desktop entry get a made-up "window:N" app; report no entry for them.
    return {desktopFile: id.endsWith('.desktop') ? id.slice(0, -8) : '', name: app?.get_name() ?? ''};
}

function describe(w, stacking, focused) {
    const app = appOf(w);
    return {
        id: String(w.get_id()), pid: w.get_pid(), resourceClass: w.get_wm_class() ?? '',
        resourceName: w.get_wm_class_instance() ?? '', desktopFile: app.desktopFile,
        appName: app.name, title: w.get_title() ?? '', frame: rect(w.get_frame_rect()),
        minimized: w.minimized, fullScreen: w.is_fullscreen(), maximized: isMaximized(w),
        desktop: w.is_on_all_workspaces() ? -1 : w.get_workspace()?.index() ?? -1,
        active: w === focused, stacking: stacking.indexOf(w), keepAbove: w.is_above(),
        skipTaskbar: w.is_skip_taskbar(), xwayland: w.get_client_type() === Meta.WindowClientType.X11,
    };
}

export class VantrelService {
    constructor(main) {
        this._main = main;
        this._owner = null;
        this._accelerators = new Set();
        this._handlers = [];
        this._windowHandlers = new Map();
        this._pending = new Set();
        // New windows Mutter has not shown yet. It places a window when it first shows it, which
        // would undo an earlier move, so they are listed only from then on.
        this._unshown = new Set();
    }

    start() {
        this._dbus = Gio.DBusExportedObject.wrapJSObject(IFACE, this._methods());
        this._nameId = Gio.bus_own_name(Gio.BusType.SESSION, BUS_NAME, Gio.BusNameOwnerFlags.NONE,
            connection => this._dbus.export(connection, OBJECT_PATH), null, null);
        const display = global.display;
        const workspaces = global.workspace_manager;
        this._connect(display, 'window-created', (_d, w) => this._follow(w, true));
        this._connect(display, 'restacked', () => this._queue('WindowsChanged'));
        this._connect(display, 'notify::focus-window', () => this._queue('WindowsChanged'));
        this._connect(display, 'workareas-changed', () => this._queue('MonitorsChanged'));
        this._connect(display, 'accelerator-activated', (_d, action) => {
            if (this._accelerators.has(action))
                this._dbus.emit_signal('AcceleratorActivated', new GLib.Variant('(u)', [action]));
        });
        this._connect(this._main.layoutManager, 'monitors-changed', () => this._queue('MonitorsChanged'));
        this._connect(workspaces, 'active-workspace-changed', () => this._queue('WorkspaceChanged'));
        this._connect(workspaces, 'notify::n-workspaces', () => this._queue('WorkspaceChanged'));
        this._connect(Shell.AppSystem.get_default(), 'app-state-changed', (_s, app) => {
            if (app.state === Shell.AppState.RUNNING)
                this._appStarted(app);
        });
        for (const w of allWindows())
            this._follow(w, false);
    }

    stop() {
        for (const action of this._accelerators)
            this._ungrab(action);
        for (const [object, id] of this._handlers)
            object.disconnect(id);
        for (const [w, ids] of this._windowHandlers)
            ids.forEach(id => w.disconnect(id));
        this._handlers = [];
        this._windowHandlers.clear();
        this._unshown.clear();
        if (this._idleId)
            GLib.source_remove(this._idleId);
        if (this._watchId)
            Gio.bus_unwatch_name(this._watchId);
        Gio.bus_unown_name(this._nameId);
        this._dbus.unexport();
        this._dbus = null;
    }

    _connect(object, signal, handler) {
        this._handlers.push([object, object.connect(signal, handler)]);
    }

    // Watches one window's changes; they reach the bus as one WindowsChanged per main-loop turn.
    _follow(w, isNew) {
        if (this._windowHandlers.has(w))
            return;
        const changed = () => this._queue('WindowsChanged');
        const ids = ['position-changed', 'size-changed', 'notify::minimized', 'notify::title',
            'notify::fullscreen', 'notify::maximized-horizontally', 'notify::maximized-vertically',
            'workspace-changed', 'notify::on-all-workspaces'].map(s => w.connect(s, changed));
        ids.push(w.connect('unmanaged', () => {
            this._windowHandlers.get(w)?.forEach(id => w.disconnect(id));
            this._windowHandlers.delete(w);
            this._unshown.delete(w);
            changed();
        }));
        ids.push(w.connect('shown', () => {
            if (this._unshown.delete(w))
                changed();
        }));
        this._windowHandlers.set(w, ids);
        // An X11 window is placed as it maps, before Mutter announces it; a Wayland window only
        // when its first frame arrives.
        if (isNew && w.get_client_type() === Meta.WindowClientType.WAYLAND)
            this._unshown.add(w);
    }

    _queue(signal) {
        this._pending.add(signal);
        this._idleId ||= GLib.idle_add(GLib.PRIORITY_DEFAULT_IDLE, () => {
            this._idleId = 0;
            for (const name of this._pending)
                this._dbus?.emit_signal(name, null);
            this._pending.clear();
            return GLib.SOURCE_REMOVE;
        });
    }

    _appStarted(app) {
        const id = app.get_id();
        const json = JSON.stringify({
            desktopFile: id.endsWith('.desktop') ? id.slice(0, -8) : '', name: app.get_name() ?? '',
            pids: app.get_pids(),
        });
        this._dbus?.emit_signal('AppStarted', new GLib.Variant('(s)', [json]));
    }

    // The object Gio exports: every method is an "Async" handler so that it sees the caller and
    // answers through its invocation; nothing thrown leaves it.
    _methods() {
        const wrap = (fn, ownerOnly = true) => (params, invocation) => {
            try {
                if (ownerOnly && invocation.get_sender() !== this._owner)
                    throw new Refusal(DENIED, 'only the client that registered first may call this');
                Promise.resolve(fn.call(this, params, invocation.get_sender())).then(
                    value => invocation.return_value(value ?? null),
                    e => this._fail(invocation, e));
            } catch (e) {
                this._fail(invocation, e);
            }
        };
        const json = value => new GLib.Variant('(s)', [JSON.stringify(value)]);
        const windowOp = op => wrap(([id]) => op(this._window(id)));
        return {
            get Version() {
                return VERSION;
            },
            RegisterAsync: wrap((_p, sender) => this._register(sender), false),
            ListWindowsAsync: wrap(() => json(this._windows())),
            ListMonitorsAsync: wrap(async () => json({monitors: await this._monitors()})),
            MoveResizeAsync: wrap(([id, ...frame]) => this._moveResize(id, frame)),
            MinimizeAsync: windowOp(w => w.minimize()),
            UnminimizeAsync: windowOp(w => w.unminimize()),
            ActivateAsync: windowOp(w => this._main.activateWindow(w)),
            CloseAsync: windowOp(w => w.delete(global.get_current_time())),
            MoveToWorkspaceAsync: wrap(([id, index]) => this._toWorkspace(id, index)),
            GrabAcceleratorAsync: wrap(([text]) => new GLib.Variant('(u)', [this._grab(text)])),
            UngrabAcceleratorAsync: wrap(([action]) => {
                check(this._accelerators.has(action), `no accelerator ${action} was grabbed`);
                this._ungrab(action);
            }),
        };
    }

    _fail(invocation, e) {
        if (e instanceof Refusal) {
            invocation.return_dbus_error(e.dbusName, e.message);
        } else {
            logError(e, 'Vantrel');
            invocation.return_dbus_error(FAILED, String(e));
        }
    }

    _register(sender) {
        if (this._owner !== null && this._owner !== sender)
            throw new Refusal(DENIED, 'another client is registered');
        if (this._owner === sender)
            return;
        this._owner = sender;
        // Unique names are never reused, so forgetting the owner when it leaves is enough.
        this._watchId = Gio.bus_watch_name(Gio.BusType.SESSION, sender, Gio.BusNameWatcherFlags.NONE,
            null, () => {
                Gio.bus_unwatch_name(this._watchId);
                this._watchId = 0;
                this._owner = null;
                for (const action of this._accelerators)
                    this._ungrab(action);
            });
    }

    _window(id) {
        const w = allWindows().find(candidate => candidate.get_id() === id);
        if (!w)
            throw new Refusal(NO_WINDOW, `no window ${id}`);
        return w;
    }

    _windows() {
        // Windows a user arranges, as the KWin script reports them: ordinary ones and dialogs,
        // not panels, menus or the desktop.
        const arranged = [Meta.WindowType.NORMAL, Meta.WindowType.DIALOG, Meta.WindowType.MODAL_DIALOG];
        const all = allWindows()
            .filter(w => !w.is_override_redirect() && !this._unshown.has(w) &&
                arranged.includes(w.get_window_type()));
        const stacking = global.display.sort_windows_by_stacking(all);
        const focused = global.display.focus_window;
        const workspaces = global.workspace_manager;
        return {
            windows: all.map(w => describe(w, stacking, focused)),
            workspaces: {count: workspaces.n_workspaces, current: workspaces.get_active_workspace_index()},
        };
    }

    _moveResize(id, [x, y, width, height]) {
        check([x, y].every(v => Math.abs(v) < COORD_LIMIT), 'position out of range');
        check([width, height].every(v => v > 0 && v < COORD_LIMIT), 'size out of range');
        const w = this._window(id);
        if (w.is_fullscreen())
            w.unmake_fullscreen();
        if (isMaximized(w))
            w.get_maximized ? w.unmaximize(Meta.MaximizeFlags.BOTH) : w.unmaximize();
        w.move_resize_frame(true, x, y, width, height);
    }

    _toWorkspace(id, index) {
        const manager = global.workspace_manager;
        check(index >= -1 && index < manager.n_workspaces, `no workspace ${index}`);
        const w = this._window(id);
        w.change_workspace_by_index(index === -1 ? manager.get_active_workspace_index() : index, false);
    }

    _grab(text) {
        check(text.length > 0 && text.length <= 64 && /^[\w<> +-]+$/.test(text),
            `not an accelerator: ${JSON.stringify(text)}`);
        const action = global.display.grab_accelerator(text, Meta.KeyBindingFlags.NONE);
        check(action !== Meta.KeyBindingAction.NONE, `cannot grab ${JSON.stringify(text)}`);
        this._main.wm.allowKeybinding(Meta.external_binding_name_for_action(action), Shell.ActionMode.ALL);
        this._accelerators.add(action);
        return action;
    }

    _ungrab(action) {
        global.display.ungrab_accelerator(action);
        this._main.wm.allowKeybinding(Meta.external_binding_name_for_action(action), Shell.ActionMode.NONE);
        this._accelerators.delete(action);
    }

    // Connector names and panel identity come from Mutter's DisplayConfig, which the Shell serves
    // itself: asked asynchronously, or the call would wait on this very main loop.
    async _monitors() {
        const display = global.display;
        const identity = await this._displayConfig().catch(e => {
            logError(e, 'Vantrel: no DisplayConfig');
            return new Map();
        });
        const workspace = global.workspace_manager.get_active_workspace();
        const monitors = [];
        for (let i = 0; i < display.get_n_monitors(); i++) {
            monitors.push({
                index: i, frame: rect(display.get_monitor_geometry(i)),
                workArea: rect(workspace.get_work_area_for_monitor(i)),
                primary: i === display.get_primary_monitor(), scale: display.get_monitor_scale(i),
                name: '', manufacturer: '', model: '', serial: '', ...identity.get(i),
            });
        }
        return monitors;
    }

    async _displayConfig() {
        const [, physical] = (await displayConfigCall('GetCurrentState')).deepUnpack();
        // The EDID only adds to a monitor's identity: without it the monitor is still listed.
        const edids = await displayConfigCall('GetResources').then(edidsByConnector).catch(e => {
            logError(e, 'Vantrel: no EDIDs from DisplayConfig');
            return new Map();
        });
        const manager = global.backend.get_monitor_manager();
        const byIndex = new Map();
        for (const [[connector, vendor, product, serial]] of physical) {
            const index = manager.get_monitor_for_connector(connector);
            if (index < 0)
                continue;
            const edid = edids.get(connector);
            byIndex.set(index, {
                name: connector, manufacturer: vendor, model: product, serial,
                ...edid ? {edid} : {},
            });
        }
        return byIndex;
    }
}
