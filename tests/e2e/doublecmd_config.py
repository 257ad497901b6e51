#!/usr/bin/env python3
"""Writes a private Double Commander configuration for the end-to-end test.

  doublecmd_config.py CONFIG_DIR LIBRARY [FOLDER ...]

CONFIG_DIR/doublecmd.xml registers LIBRARY as the file-system plugin "Tansy"
and shows file sizes in bytes, so that a folder's size after Space reads
whole; anything it leaves out, Double Commander fills with its defaults.
CONFIG_DIR/shortcuts.scf replaces every default hotkey with the few the test
presses: one per FOLDER that opens wfx://Tansy/FOLDER ("/" is the plugin's
root), and fixed ones for select all, unselect all, copy names or details to
the clipboard, properties, the count (Alt+Shift+Enter, as by default) and
the parent folder. Prints "KEY<TAB>FOLDER" per folder, KEY as xdotool names
it.
"""
import os
import sys
from xml.sax.saxutils import escape

FIXED_KEYS = [
    ("Ctrl+A", "cm_MarkMarkAll", None),
    ("Ctrl+Shift+A", "cm_MarkUnmarkAll", None),
    ("Ctrl+Shift+X", "cm_CopyNamesToClip", None),
    ("Alt+Enter", "cm_FileProperties", None),
    ("Alt+Shift+Enter", "cm_CalculateSpace", None),
    ("Ctrl+Shift+D", "cm_CopyFileDetailsToClip", None),
    ("Ctrl+Shift+P", "cm_ChangeDirToParent", None),
]

# Function keys with and without Shift and Ctrl: none of them is taken by the
# window manager, and none types text into the panel's quick search. F10
# opens GTK's menu bar.
FOLDER_KEYS = [f"{mod}F{n}" for mod in ("", "Shift+", "Ctrl+") for n in range(1, 13) if n != 10]


def xdotool_key(key):
    return "+".join(part.lower() if part in ("Shift", "Ctrl") else part for part in key.split("+"))


def hotkey(shortcut, command, param):
    lines = ["      <Hotkey>", f"        <Shortcut>{escape(shortcut)}</Shortcut>",
             f"        <Command>{command}</Command>"]
    if param is not None:
        lines.append(f"        <Param>{escape(param)}</Param>")
    lines.append("      </Hotkey>")
    return "\n".join(lines)


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    config_dir, library, folders = argv[1], os.path.abspath(argv[2]), argv[3:]
    if len(folders) > len(FOLDER_KEYS):
        print(f"doublecmd_config.py: at most {len(FOLDER_KEYS)} folders", file=sys.stderr)
        return 2
    os.makedirs(config_dir, exist_ok=True)
    with open(os.path.join(config_dir, "doublecmd.xml"), "w", encoding="utf-8") as f:
        f.write(f"""<?xml version="1.0" encoding="UTF-8"?>
<doublecmd DCVersion="1.0.10" ConfigVersion="13">
  <Behaviours>
    <FileSizeFormat>1</FileSizeFormat>
  </Behaviours>
  <Plugins>
    <WfxPlugins>
      <WfxPlugin Enabled="True">
        <Name>Tansy</Name>
        <Path>{escape(library)}</Path>
      </WfxPlugin>
    </WfxPlugins>
  </Plugins>
</doublecmd>
""")
    keys = []
    bound = []
    for key, folder in zip(FOLDER_KEYS, folders):
        if '"' in folder:
            print(f"doublecmd_config.py: cannot quote {folder}", file=sys.stderr)
            return 2
        target = "wfx://Tansy" + folder
        # Double Commander splits an unquoted parameter at blanks.
        keys.append(hotkey(key, "cm_ChangeDir", f'activepath="{target}"'))
        bound.append((key, folder))
    keys += [hotkey(*fixed) for fixed in FIXED_KEYS]
    with open(os.path.join(config_dir, "shortcuts.scf"), "w", encoding="utf-8") as f:
        f.write("""<?xml version="1.0" encoding="UTF-8"?>
<doublecmd DCVersion="1.0.10">
  <Hotkeys Version="53">
    <Form Name="Main">
""" + "\n".join(keys) + """
    </Form>
  </Hotkeys>
</doublecmd>
""")
    for key, folder in bound:
        print(f"{xdotool_key(key)}\t{folder}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
