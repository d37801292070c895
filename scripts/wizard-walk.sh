# Sourced: walking the sample wizard of a running setup under Wine, the way a
# person goes through it, with a picture of each page. scripts/sample.sh and
# `ornixcreator skin preview` both walk with it. Needs xdotool and
# ImageMagick's import, and these set before the calls:
#   walk_caption  the caption every page of the wizard has
#   walk_shots    the folder the pictures go into
#   walk_setup    the process id of the running setup
#   walk_say      a function that tells the user what happens

# The id of the newest shown page: every page of the wizard is a window of
# its own under the same caption, and each new window has a higher id.
walk_newest() {
  timeout -k 2 10 xdotool search --onlyvisible --name "$walk_caption" 2>/dev/null |
    sort -n | tail -n 1 || true
}

# Whether the setup still runs: an ended one that nobody has waited for yet
# is a zombie, which kill -0 would still find.
walk_alive() {
  local state
  state=$(ps -o stat= -p "$walk_setup" 2>/dev/null) || return 1
  [ "${state:0:1}" != Z ]
}

# walk_page PREVIOUS [SETTLE] [WAIT]: the id of the newest page once it is
# another than PREVIOUS and has stayed up for SETTLE seconds (3 by default).
# A page shows within a second or two, so after WAIT seconds (two minutes by
# default) it never will.
walk_page() {
  local candidate settle=${2:-3} wait=${3:-120}
  for _ in $(seq 1 $((wait * 5))); do
    candidate=$(walk_newest)
    if [ -n "$candidate" ] && [ "$candidate" != "${1:-}" ]; then
      sleep "$settle"
      if [ "$(walk_newest)" = "$candidate" ]; then
        echo "$candidate"
        return 0
      fi
    fi
    walk_alive || return 1
    sleep 0.2
  done
  return 1
}

# walk_shoot WINDOW NAME: the page as it is on the screen.
walk_shoot() { timeout -k 2 30 import -window "$1" "$walk_shots/$2.png" 2>/dev/null || true; }

# walk_press WINDOW KEY...: keys to the page, as a person types them.
walk_press() {
  local window=$1; shift
  timeout -k 2 10 xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
  timeout -k 2 10 xdotool key --window "$window" "$@" 2>/dev/null
}

# walk_install [progress]: welcome, licence ("I accept"), folder, Install,
# and finish. With progress, the progress page, which stays up for a second
# or two for a product this small, is taken as soon as it shows.
walk_install() {
  local welcome licence folder progress finish
  welcome=$(walk_page) || { walk_say "the setup showed no welcome page"; return 1; }
  walk_shoot "$welcome" 1-welcome
  walk_say "welcome page: pressing Next"
  walk_press "$welcome" Return
  licence=$(walk_page "$welcome") || { walk_say "no licence page"; return 1; }
  walk_say "licence page: accepting the licence, pressing Next"
  # The check box "I accept" has the focus; Next opens once it is checked.
  walk_press "$licence" space
  sleep 1
  walk_shoot "$licence" 2-licence
  walk_press "$licence" Return
  folder=$(walk_page "$licence") || { walk_say "no folder page"; return 1; }
  walk_shoot "$folder" 3-folder
  walk_say "folder page: pressing Install"
  walk_press "$folder" Return
  finish=$folder
  if [ "${1:-}" = progress ]; then
    progress=$(walk_page "$folder" 0.3) || { walk_say "no progress page"; return 1; }
    walk_shoot "$progress" 4-progress
    # A page that another follows was the progress page; one that stays
    # was the finish page already.
    if finish=$(walk_page "$progress" 3 15); then
      walk_say "progress page: taken"
    else
      walk_say "the progress page was gone before it could be taken"
      rm -f "$walk_shots/4-progress.png"
      finish=$progress
    fi
  else
    finish=$(walk_page "$folder") || { walk_say "no finish page"; return 1; }
  fi
  walk_shoot "$finish" 5-finish
  walk_say "finish page: pressing Finish"
  walk_press "$finish" Return
}

# walk_refusal: a setup that behaves as if a newer version were installed:
# the installer's error box, then the wizard's fatal-error page. Wine's
# installer shows that error in a box of its own, "Install Failed".
walk_refusal() {
  local box fatal walk_caption="$walk_caption|Install Failed"
  box=$(walk_page) || { walk_say "the setup showed no error box"; return 1; }
  walk_shoot "$box" 6-error
  walk_press "$box" Return
  fatal=$(walk_page "$box") || { walk_say "no fatal-error page"; return 1; }
  walk_shoot "$fatal" 7-fatal
  walk_press "$fatal" Return
}
