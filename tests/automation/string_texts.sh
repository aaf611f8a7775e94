# Sourced by the window tests: the texts of the string-table sources, as the program shows them.
# Needs $src, the source folder.

# The string-table source of a language, as the container manifest lists it.
strings_file() {
    local file
    file=$(awk -v lang="$1" '$1 == "strings" && $2 == lang && $3 == "0" { print $4 }' "$src/resources/container.txt")
    [ -n "$file" ] && printf '%s/resources/%s' "$src" "$file"
}

# Text <id> of a string-table source; continuation lines join with a line break, which the
# program shows as CR LF and the helper prints as \r\n.
text_of() {
    awk -v id="$1" '
        found && /^[ \t]*"/ { line = $0; sub(/^[ \t]*"/, "", line); sub(/"[^"]*$/, "", line); text = text "\\r\\n" line; next }
        found { exit }
        $1 == id && /"/ { line = $0; sub(/^[^"]*"/, "", line); sub(/"[^"]*$/, "", line); text = line; found = 1 }
        END { if (found) print text; else exit 1 }' "$2"
}
