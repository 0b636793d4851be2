#!/usr/bin/env bash
# The manual pages: groff reads them without a warning, man shows them, and they cover every
# option each executable's --help names, every key token the completion offers, the environment
# variables and the files.
#   check_manpages.sh BUILD_PACKAGING_DIR KORVELCE_CLI KORVELCE
source "$(dirname "$0")/lib.sh"
out=$1 cli=$2 window=$3
make_home "$work/home"

for page in korvelce.1 korvelce-cli.1; do
    warnings=$(groff -man -ww -z "$out/man/$page" 2>&1)
    [[ -z $warnings ]] || fail "groff warns about $page: $warnings"
    gzip -dc "$out/man/$page.gz" | cmp -s - "$out/man/$page" || fail "$page.gz is not $page"
    # As a reader sees it, without hyphenation or adjustment, so that words are found whole.
    MANWIDTH=200 MAN_KEEP_FORMATTING= man --nh --nj -l "$out/man/$page" 2>"$work/$page.err" |
        col -b >"$work/$page.txt"
    [[ -s $work/$page.txt && ! -s $work/$page.err ]] || fail "man cannot show $page: $(cat "$work/$page.err")"
done

# Every option of the usage texts, and the interactive calculator's.
"$cli" --help >"$work/cli-help.txt" || fail "korvelce-cli --help"
for option in $(grep -o -- '--[a-z-]*' "$work/cli-help.txt" | sort -u) --version --help -i --session; do
    grep -q -- "$option" "$work/korvelce-cli.1.txt" || fail "korvelce-cli(1) does not name $option"
done
for command in list asm disasm :help :state :list :load :save :module :quit ':quit!'; do
    grep -q -- "$command" "$work/korvelce-cli.1.txt" || fail "korvelce-cli(1) does not name $command"
done
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$window" --help >"$work/help.txt" || fail "korvelce --help"
for option in $(grep -o -- ' --*[a-z][a-z-]*' "$work/help.txt" | sort -u); do
    grep -q -- "$option" "$work/korvelce.1.txt" || fail "korvelce(1) does not name $option"
done

# Every key token, as the completion offers them (made from the key-code table), as a word of
# its own (words are split at blanks and commas; a full stop may end one).
tr -s ' ,' '\n\n' <"$work/korvelce-cli.1.txt" | sed 's/\.$//' >"$work/words.txt"
while IFS= read -r token; do
    grep -qxF -- "$token" "$work/words.txt" || fail "korvelce-cli(1) does not name the key $token"
done <"$out/key-tokens.txt"

# The environment and the files.
for word in KORVELCE_SCREEN KORVELCE_DEBUG XDG_DATA_HOME XDG_CONFIG_HOME Korvelce.kv Korvelce.conf \
    share/korvelce library.md; do
    grep -qF -- "$word" "$work/korvelce.1.txt" || fail "korvelce(1) does not name $word"
done
for word in KORVELCE_DEBUG XDG_STATE_HOME korvelce/history library.md '.kvs' '@NN' 'EXIT STATUS'; do
    grep -qF -- "$word" "$work/korvelce-cli.1.txt" || fail "korvelce-cli(1) does not name $word"
done
finish
