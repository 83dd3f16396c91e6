# SPDX-License-Identifier: GPL-3.0-or-later
# Reads and writes single keys of INI files from shell scripts, by the rules K4mgr reads them
# with: section and key names match without regard to case, a written key replaces its value
# where it stands or lands after the section's last non-blank line, a missing section is added at
# the end; new lines end in CRLF. Sourced by run.sh and demo-screenshots.sh.

# ini_get FILE SECTION KEY: prints the value (trimmed); nothing when the key is missing.
ini_get() {
    [ -f "$1" ] || return 0
    awk -v section="$2" -v key="$3" '
        function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t\r]+$/, "", s); return s }
        BEGIN { section = tolower(section); key = tolower(key) }
        /^[ \t]*\[/ {
            name = $0; sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name)
            if (found) exit
            inside = (tolower(trim(name)) == section); if (inside) found = 1; next
        }
        inside && index($0, "=") > 0 {
            k = trim(substr($0, 1, index($0, "=") - 1))
            if (tolower(k) == key) { print trim(substr($0, index($0, "=") + 1)); exit }
        }' "$1"
}

# ini_set FILE SECTION KEY VALUE: writes the key, creating the file when there is none.
ini_set() {
    local file=$1 tmp
    tmp=$(mktemp "${file}.XXXXXX")
    { [ -f "$file" ] && cat "$file"; true; } | awk -v section="$2" -v key="$3" -v value="$4" '
        function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t\r]+$/, "", s); return s }
        BEGIN { lsection = tolower(section); lkey = tolower(key); n = 0 }
        { line[++n] = $0 }
        END {
            target = 0; last = 0; keyline = 0
            for (i = 1; i <= n; i++) {
                if (line[i] ~ /^[ \t]*\[/) {
                    name = line[i]; sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name)
                    if (target && !done) done = 1
                    if (!target && tolower(trim(name)) == lsection) { target = i; last = i }
                    continue
                }
                if (target && !done) {
                    if (trim(line[i]) != "") last = i
                    if (!keyline && index(line[i], "=") > 0 &&
                        tolower(trim(substr(line[i], 1, index(line[i], "=") - 1))) == lkey)
                        keyline = i
                }
            }
            for (i = 1; i <= n; i++) {
                if (i == keyline) { printf "%s=%s\r\n", key, value; continue }
                printf "%s\n", line[i]
                if (!keyline && i == last) printf "%s=%s\r\n", key, value
            }
            if (!target) printf "[%s]\r\n%s=%s\r\n", section, key, value
        }' >"$tmp"
    mv "$tmp" "$file"
}
