#! /usr/bin/env bash
# Extracts the module's texts into the template of its translation domain:
# the plug-in, the helper and the module bases it is shown in. Run by the
# translation tooling with EXTRACTRC, XGETTEXT and podir set
# (scripts/translations does the same here).
$EXTRACTRC $(find src -name '*.ui' | sort) >>rc.cpp
$XGETTEXT $(find src platform/kcmbases -name '*.cpp' -o -name '*.h' | sort) rc.cpp -o "$podir/tarn_kcm_admin_events.pot"
rm -f rc.cpp
