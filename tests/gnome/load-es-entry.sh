#!/usr/bin/env bash
# Loads the GNOME 45+ entry file (data/gnome/extension.js, with the service module it imports)
# in `gjs -m` against stubs of what exists only inside GNOME Shell: the Shell's resource://
# modules and the Meta and Shell typelibs. Catches syntax errors and broken imports on machines
# whose GNOME is older than the entry. Usage: load-es-entry.sh DATA_GNOME_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
tmp=$(mktemp -d /tmp/vantrel-gjs.XXXXXX)
trap 'rm -rf "$tmp"' EXIT

# Empty namespaces: the service touches Meta and Shell only once enabled, never at load.
for ns in Meta Shell; do
  printf '<?xml version="1.0"?>\n<repository version="1.2" xmlns="http://www.gtk.org/introspection/core/1.0">\n<namespace name="%s" version="99"/>\n</repository>\n' \
    "$ns" >"$tmp/$ns.gir"
  g-ir-compiler "$tmp/$ns.gir" -o "$tmp/$ns-99.typelib"
done

mkdir -p "$tmp/res/ui" "$tmp/res/extensions"
echo 'export const layoutManager = {}, wm = {};' >"$tmp/res/ui/main.js"
echo 'export class Extension { constructor(metadata) { this.metadata = metadata; } }' \
  >"$tmp/res/extensions/extension.js"
cat >"$tmp/stubs.xml" <<'XML'
<?xml version="1.0"?>
<gresources><gresource prefix="/org/gnome/shell">
  <file>ui/main.js</file><file>extensions/extension.js</file>
</gresource></gresources>
XML
glib-compile-resources --sourcedir="$tmp/res" --target="$tmp/stubs.gresource" "$tmp/stubs.xml"

# The stubs are registered before the entry is imported, so its static imports resolve to them.
cat >"$tmp/load.js" <<'JS'
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';

const [resource, entry] = ARGV;
Gio.Resource.load(resource)._register();
const loop = new GLib.MainLoop(null, false);
let status = 1;
import(Gio.File.new_for_path(entry).get_uri()).then(async module => {
    const {Extension} = await import('resource:///org/gnome/shell/extensions/extension.js');
    const extension = new module.default({uuid: 'vantrel@vantrel.app'});
    if (!(extension instanceof Extension) || typeof extension.enable !== 'function' ||
        typeof extension.disable !== 'function')
        throw new Error('the default export is not an Extension with enable() and disable()');
    print(`extension.js loaded: ${module.default.name} extends Extension`);
    status = 0;
}).catch(e => printerr(`extension.js failed to load: ${e}\n${e.stack ?? ''}`))
    .finally(() => loop.quit());
loop.run();
imports.system.exit(status);
JS
GI_TYPELIB_PATH=$tmp gjs -m "$tmp/load.js" "$tmp/stubs.gresource" "$src/extension.js"
