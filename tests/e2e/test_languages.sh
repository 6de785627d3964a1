#!/usr/bin/env bash
# Quillet speaks Windows' display language, which Wine takes from LANG: the pop-up's question
# and its send button, in the texts a screen reader is given for them, in German, in Japanese,
# and in English exactly as always. The pop-up is shot in each language (the artifacts hold the
# pictures).
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-tray-lib.sh"
export QUILLET_JAPANESE_FONT=1  # the prefix draws Japanese
e2e_init languages
e2e_reg_set Username alice
e2e_reg_set Interval 60

# LANG, then the question and the send button's text (its painted caption counts down after it).
cases=(
  "de_DE.UTF-8|Was machen Sie gerade?|Senden"
  "ja_JP.UTF-8|いま何をしていますか？|投稿"
  "C.UTF-8|What are you doing?|Update"
)
for case in "${cases[@]}"; do
  IFS='|' read -r lang question button <<<"$case"
  LANG=$lang LC_ALL=$lang e2e_start
  e2e_wait_tray 30 || { e2e_fail "$lang: no tray icon"; break; }
  e2e_bring_up || { e2e_fail "$lang: no pop-up on a double click"; break; }
  texts=$("$QUILLET_WINE" "$QUILLET_PEEK" texts 2>/dev/null | tr -d '\r')
  e2e_log "$lang: $(tr '\n' '|' <<<"$texts")"
  e2e_check "$lang: the question is \"$question\"" grep -qxF "child=$question" <<<"$texts"
  e2e_check "$lang: the send button is \"$button\"" grep -qxF "child=$button" <<<"$texts"
  e2e_shot "pop-up-${lang%%.*}"
  wineserver -k; wineserver -w  # the next language is the next start's
  e2e_wait_exit 30 || { e2e_fail "$lang: the program did not end"; break; }
done
e2e_finish
