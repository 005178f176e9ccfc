#!/usr/bin/env bash
# The build's check of a catalogue, in a German and in a Japanese session,
# whose msgfmt words its statistics in German and Japanese: it passes a whole
# catalogue and fails one with a message made empty and one with a message
# made fuzzy. The locales are made here, as a fresh system has none.
# Arguments: cmake, the script that checks a catalogue, a whole catalogue.
set -uo pipefail
cmake=$1 check=$2 whole=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# The same catalogue with the one message "Language" untranslated, and with
# it marked fuzzy.
sed '/^msgid "Language"$/{n;s/^msgstr .*/msgstr ""/}' "$whole" >"$work/empty.po"
sed '/^msgid "Language"$/i #, fuzzy' "$whole" >"$work/fuzzy.po"

# Runs the check on a catalogue with nothing of the caller's environment but
# PATH, in the session's language $1.
check() {
    env -i PATH="$PATH" LOCPATH="$work" LANG="$1" "$cmake" -DPO="$2" -P "$check" 2>&1
}

for locale in de_DE ja_JP; do
    localedef -i "$locale" -f UTF-8 "$work/$locale.UTF-8" || { fail "no $locale locale to check in"; continue; }
    # Unless msgfmt speaks the session's language, this proves nothing.
    said=$(env -i PATH="$PATH" LOCPATH="$work" LANG="$locale.UTF-8" msgfmt --statistics -o /dev/null "$work/fuzzy.po" 2>&1)
    grep -q fuzzy <<<"$said" && fail "msgfmt speaks English in $locale.UTF-8: $said"
    said=$(check "$locale.UTF-8" "$whole") || fail "in $locale.UTF-8 the whole catalogue fails: $said"
    for seeded in empty fuzzy; do
        if said=$(check "$locale.UTF-8" "$work/$seeded.po"); then
            fail "in $locale.UTF-8 the check passes a catalogue with a message $seeded"
        elif ! grep -q 'untranslated or fuzzy' <<<"$said"; then
            fail "in $locale.UTF-8 the check of a catalogue with a message $seeded fails otherwise: $said"
        fi
    done
done

[ "$failed" -eq 0 ] && echo "the catalogue check holds in German and Japanese"
exit "$failed"
