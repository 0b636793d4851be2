#!/usr/bin/env bash
# The bash completion of korvelce-cli, with and without the bash-completion package's helpers:
# subcommands, options, module numbers, files of the expected kind, key tokens in any case and
# quoted for the shell; and korvelce-cli accepts every token it offers.
#   check_completion.sh BUILD_PACKAGING_DIR KORVELCE_CLI
source "$(dirname "$0")/lib.sh"
out=$1 cli=$2
script=$out/korvelce-cli
tokens=$out/key-tokens.txt
make_home "$work/home"

[[ -s $tokens ]] || fail "no key token list"
# korvelce-cli accepts them all (2 would be an unknown token; 3 is a program run cut short).
mapfile -t all_tokens <"$tokens"
"$cli" --max-steps 1000 -- "${all_tokens[@]}" >/dev/null 2>"$work/tokens.err"
status=$?
((status == 0 || status == 3)) || fail "korvelce-cli refuses a listed token: $(head -1 "$work/tokens.err")"
for token in STO RCL 'E'"'" X^2 ABS 'X<>T' 'P>R' '+/-' '(' R/S; do
    grep -qxF -- "$token" "$tokens" || fail "the token list lacks $token"
done

mkdir -p "$work/files/sub" && cd "$work/files" || exit 1
touch a.kv B.KV b.kvs c.txt

# One run of the completion: prints the candidates, one per line, sorted.
cat >"$work/complete.sh" <<'INNER'
helpers=$1 script=$2 line=$3
if [[ $helpers == with ]]; then
    source /usr/share/bash-completion/bash_completion
    declare -F _init_completion >/dev/null || exit 90
fi
source "$script"
read -r -a COMP_WORDS <<<"$line"
[[ $line == *" " ]] && COMP_WORDS+=("")
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
COMP_LINE=$line
COMP_POINT=${#line}
COMPREPLY=()
_korvelce_cli
printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d; s#\(.\)/$#\1#' | LC_ALL=C sort -u
INNER

# line | words that must be offered (space-separated) | words that must not be
cases=(
    "korvelce-cli --lo|--load|--save --json"
    "korvelce-cli --m|--max-steps --module|--load"
    "korvelce-cli --module |110 128|a.kv"
    "korvelce-cli --load |a.kv B.KV sub|b.kvs c.txt"
    "korvelce-cli --session |a.kv sub|c.txt"
    "korvelce-cli --keys-file |a.kv b.kvs c.txt sub|"
    "korvelce-cli --max-steps ||a.kv 110 STO"
    "korvelce-cli li|list|asm LST"
    "korvelce-cli list |a.kv sub|b.kvs c.txt"
    "korvelce-cli asm |b.kvs sub|a.kv c.txt"
    "korvelce-cli asm b.kvs -o |a.kv|b.kvs"
    "korvelce-cli asm b.kvs -|-o|--load"
    "korvelce-cli disasm |a.kv|b.kvs"
    "korvelce-cli disasm a.kv -o |b.kvs|a.kv"
    "korvelce-cli 2 + r|RCL RAD RST RTN R/S|list"
    "korvelce-cli Sq|SQRT|STO"
    "korvelce-cli e|E E\\' EE EQ EXC EXC\\* ENG|D"
    "korvelce-cli x|X\\^2 X2 X\\<\\>T X\\<-\\>T|STO"
    "korvelce-cli 2 l|LBL LNX LOG LRN LST|list"
    "korvelce-cli -- --lo||--load"
    "korvelce-cli -|- --- -i --json --|STO +/-"
)
helper_modes=(without)
if [[ -r /usr/share/bash-completion/bash_completion ]]; then
    helper_modes+=(with)
else
    echo "note: the bash-completion package is not installed; its helpers are not exercised"
fi
for helpers in "${helper_modes[@]}"; do
    for entry in "${cases[@]}"; do
        IFS='|' read -r line wanted unwanted <<<"$entry"
        got=$(bash --norc --noprofile "$work/complete.sh" "$helpers" "$script" "$line" 2>"$work/err")
        status=$?
        [[ $status -eq 0 && ! -s $work/err ]] || fail "[$helpers] '$line' (exit $status): $(cat "$work/err")"
        for word in $wanted; do
            grep -qxF -- "$word" <<<"$got" || fail "[$helpers] '$line' does not offer $word (offers: $(echo $got))"
        done
        for word in $unwanted; do
            grep -qxF -- "$word" <<<"$got" && fail "[$helpers] '$line' offers $word"
        done
    done
done

# Every candidate for an empty word reads back, through the shell's quoting, as a token.
got=$(bash --norc --noprofile "$work/complete.sh" without "$script" "korvelce-cli 1 ")
count=0
while IFS= read -r candidate; do
    word=$(eval "printf '%s' $candidate")
    grep -qxF -- "$word" "$tokens" || fail "the candidate $candidate is not a token when read back"
    count=$((count + 1))
done <<<"$got"
((count == $(wc -l <"$tokens"))) || fail "an empty word is offered $count candidates, not every token"
finish
