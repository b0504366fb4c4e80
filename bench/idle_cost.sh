#!/usr/bin/env bash
# What Kestrova costs while it sits in the tray, with a window open or not,
# measured beside btop refreshing once a second in the same run.
#
#   bench/idle_cost.sh [BUILD_DIR]      (make bench runs it)
#
# Under Xvfb with an XEmbed tray host (trayer) and a temporary home, it starts
# the application (bench/idle/IdleHost.cpp: the app plus a line reader that
# opens its windows) and btop at a 1000 ms refresh, then measures each state for
# IDLE_SECONDS (default 20): everything closed, the popover on each of its
# tabs, the dashboard on each page the router builds (asked from the app, so
# new pages are measured as they arrive), then the dashboard as it opens at
# launch with the onboarding tour on each of its steps. The settings are
# seeded with the tour done; a tour state stores its step and shows it. CPU is utime+stime of the whole
# process from /proc/PID/stat; RSS is VmRSS at the end of the state. The
# "children" column is the CPU of the commands it ran and waited for
# meanwhile (cutime+cstime, ms/s), outside the ratio.
# IDLE_REPEATS (default 1) measures every state that many times and prints
# the medians; IDLE_ONLY picks states by label.
#
# A figure is reported only for a page that shows its content: before and
# after each window the app says what the page on screen holds (its visible
# labels with text; on the AI page's Telemetry sub-tab the sandbox switch,
# the model rows and the process rows), and the local-AI watcher must have
# made its passes meanwhile. A state whose page shows nothing is listed as
# empty, without figures, and the script ends with status 1. A state over
# its budget is reported as over, with status 0.
set -euo pipefail

build=${1:-build}
seconds=${IDLE_SECONDS:-20}
repeats=${IDLE_REPEATS:-1}
settle=${IDLE_SETTLE:-3}
host_bin=${IDLE_HOST:-$build/bench/kestrova_idle_host}

need=()
command -v Xvfb >/dev/null || need+=(xvfb)
command -v trayer >/dev/null || need+=(trayer)
command -v btop >/dev/null || need+=(btop)
command -v script >/dev/null || need+=(bsdutils)
if [ ${#need[@]} -gt 0 ]; then
  echo "idle_cost: installing ${need[*]}"
  sudo=(); [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
[ -x "$host_bin" ] || { echo "idle_cost: $host_bin is missing (build the kestrova_idle_host target)" >&2; exit 1; }

scratch=$(mktemp -d /tmp/kestrova-idle.XXXXXX)
pids=()
cleanup() {
  exec 3>&- 4>&- 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# A home of its own: settings, caches and btop's config never touch the real one.
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_CACHE_HOME=$scratch/home/.cache
export XDG_DATA_HOME=$scratch/home/.local/share XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# The tour done: pages are measured without it over them (each tour state
# shows it on its own step).
mkdir -p "$XDG_CONFIG_HOME/Kestrova"
printf '[General]\nhasCompletedOnboardingTour=true\nshowOnboardingTour=false\n' >"$XDG_CONFIG_HOME/Kestrova/Kestrova.ini"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

Xvfb -displayfd 5 -screen 0 1920x1080x24 -nolisten tcp 5>"$scratch/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$scratch/display")
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
sleep 1

# btop refreshes once a second (its default is two); it needs a terminal:
# script(1) gives it one of a fixed size, and ends when its input does, so
# the input is a pipe held open until the end.
mkdir -p "$XDG_CONFIG_HOME/btop"
echo "update_ms = 1000" >"$XDG_CONFIG_HOME/btop/btop.conf"
mkfifo "$scratch/control" "$scratch/btop-input"
script -qfc "stty rows 40 cols 120; exec btop" /dev/null <"$scratch/btop-input" >/dev/null 2>&1 &
terminal=$!
pids+=($terminal)
exec 4>"$scratch/btop-input"
"$host_bin" <"$scratch/control" >"$scratch/host.log" 2>"$scratch/host.err" &
host=$!
pids+=($host)
exec 3>"$scratch/control"
btop_pid=""
for _ in $(seq 50); do
  btop_pid=$(pgrep -P "$terminal" -x btop || true)
  [ -n "$btop_pid" ] && break
  sleep 0.1
done
[ -n "$btop_pid" ] || { echo "idle_cost: btop did not start" >&2; exit 1; }
sleep 5 # start-up: the first ticks, the dashboard shown at launch

ask() { # sends a command and waits for its "ok"; its "error" lines go to $asked_errors
  local before errors_before
  before=$(grep -c '^ok ' "$scratch/host.log" || true)
  errors_before=$(grep -c '^error ' "$scratch/host.log" || true)
  echo "$1" >&3
  for _ in $(seq 100); do
    if [ "$(grep -c '^ok ' "$scratch/host.log" || true)" -gt "$before" ]; then
      asked_errors=$(grep '^error ' "$scratch/host.log" | tail -n +$((errors_before + 1)) || true)
      return 0
    fi
    kill -0 "$host" 2>/dev/null || { echo "idle_cost: the app ended" >&2; cat "$scratch/host.err" >&2; exit 1; }
    sleep 0.05
  done
  echo "idle_cost: no answer to '$1'" >&2; exit 1
}

# What the page on screen holds, as the app says ("content ..."), and
# whether that is something: labels with text on every page; on the AI
# page's Telemetry sub-tab the sandbox switch on (demo mode is on at every
# launch), its example model rows and a process row.
content() { ask content; grep '^content ' "$scratch/host.log" | tail -1; }
field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$2"; }
shows_content() {
  local line=$1
  [ "$line" = "content floor" ] && return 0 # the floor host: an empty window by design
  [ "$(field texts "$line")" -gt 0 ] 2>/dev/null || return 1
  case $line in
    "content popover-AI-Telemetry "*)
      [ "$(field sandbox "$line")" = on ] && [ "$(field models "$line")" -gt 0 ] &&
        [ "$(field processes "$line")" -gt 0 ] ;;
  esac
}
# The content, asked again for a few seconds: the demo rows are gone for
# one pass when the last of them expires.
settled_content() {
  local line
  for _ in 1 2 3 4; do
    line=$(content)
    shows_content "$line" && break
    sleep 1
  done
  echo "$line"
}

ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
# The children it waited for (the container engine's client, pgrep, ...).
child_ticks() { awk '{ sub(/^.*\) /, ""); print $14 + $15 }' "/proc/$1/stat"; }
rss_mb() { awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)

ask pages
mapfile -t pages < <(grep -E '^(popover|dashboard|tour) ' "$scratch/host.log")
states=("closed|closed")
for page in "${pages[@]}"; do
  case $page in
    popover*) read -r _ index name <<<"$page"; states+=("popover $name|popover $index") ;;
    dashboard*) title=${page#dashboard }; states+=("dashboard $title|dashboard $title") ;;
    tour*) read -r _ step name <<<"$page"; states+=("tour $step $name|tour $step") ;;
  esac
done

# IDLE_ONLY (an extended regular expression) keeps the states whose label
# matches it, e.g. IDLE_ONLY='^closed$|AI Hardware' for a quick look.
if [ -n "${IDLE_ONLY:-}" ]; then
  kept=()
  for state in "${states[@]}"; do
    [[ ${state%%|*} =~ $IDLE_ONLY ]] && kept+=("$state")
  done
  states=("${kept[@]}")
fi

results=$scratch/results
: >"$results"
empty=()
for round in $(seq "$repeats"); do
  for state in "${states[@]}"; do
    label=${state%%|*}
    ask "${state#*|}"
    why=$asked_errors
    sleep "$settle"
    [ "$label" = closed ] || before=$(settled_content)
    k0=$(ticks "$host"); c0=$(child_ticks "$host"); b0=$(ticks "$btop_pid"); t0=$(date +%s.%N)
    sleep "$seconds"
    k1=$(ticks "$host"); c1=$(child_ticks "$host"); b1=$(ticks "$btop_pid"); t1=$(date +%s.%N)
    if [ "$label" != closed ]; then
      after=$(settled_content)
      # The watcher passes every 2 s; a window with fewer than a quarter of
      # its passes measured a watcher that stood still.
      passes=$seconds # the floor host has no watcher
      [ "$after" = "content floor" ] || passes=$(($(field passes "$after") - $(field passes "$before")))
      if [ -n "$why" ]; then :
      elif ! shows_content "$before"; then why="shows nothing before its window: $before"
      elif ! shows_content "$after"; then why="shows nothing after its window: $after"
      elif [ "$passes" -lt $((seconds / 8)) ]; then why="the local-AI watcher made $passes passes in ${seconds} s"
      fi
      if [ -n "$why" ]; then
        echo "idle_cost: $label: $why; no figure reported" >&2
        empty+=("$label")
        printf '%s\tempty\n' "$label" >>"$results"
        continue
      fi
    fi
    awk -v l="$label" -v k=$((k1 - k0)) -v c=$((c1 - c0)) -v b=$((b1 - b0)) -v t0="$t0" -v t1="$t1" -v hz="$hz" -v rss="$(rss_mb "$host")" \
      'BEGIN { s = t1 - t0; printf "%s\t%.2f\t%.2f\t%s\t%.2f\n", l, k * 1000 / hz / s, b * 1000 / hz / s, rss, c * 1000 / hz / s }' >>"$results"
  done
  echo "idle_cost: round $round of $repeats measured" >&2
done
ask closed
final_rss=$(rss_mb "$host")

# One line per state: medians over the rounds.
awk -F'\t' -v n="$repeats" -v final_rss="$final_rss" '
function median(list,   a, c, i, j, t) {
  c = split(list, a, " ")
  for (i = 2; i <= c; i++) for (j = i; j > 1 && a[j - 1] + 0 > a[j] + 0; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
  return c % 2 ? a[(c + 1) / 2] : (a[c / 2] + a[c / 2 + 1]) / 2
}
{
  if (!($1 in k) && !($1 in hollow)) order[++count] = $1
  if ($2 == "empty") { hollow[$1] = 1; next }
  k[$1] = k[$1] " " $2; b[$1] = b[$1] " " $3; r[$1] = r[$1] " " ($3 > 0 ? $2 / $3 : 999); rss[$1] = $4; kids[$1] = kids[$1] " " $5
}
END {
  printf "%-34s %12s %10s %8s %8s %8s %9s  %s\n", "state (medians of " n ")", "Kestrova ms/s", "btop ms/s", "ratio", "budget", "RSS MB", "children", ""
  # A tour step may cost what the AI Hardware page costs, measured in the
  # same run: the dashboard at its dearest without the tour.
  ceiling = ("dashboard AI Hardware" in r) ? median(r["dashboard AI Hardware"]) : 1.0
  for (i = 1; i <= count; i++) {
    s = order[i]
    if (s in hollow) { printf "%-34s %12s %10s %8s %8s %8s %9s  %s\n", s, "-", "-", "-", "-", "-", "-", "empty: no figure"; continue }
    budget = (s == "closed") ? 0.5 : (s ~ /^tour / ? ceiling : 1.0); ratio = median(r[s])
    verdict = ratio <= budget ? "ok" : "over"
    printf "%-34s %12.2f %10.2f %8.2f %8.2f %8s %9.2f  %s\n", s, median(k[s]), median(b[s]), ratio, budget, rss[s], median(kids[s]), verdict
  }
  printf "%-34s %12s %10s %8s %8s %8s  %s\n", "RSS after every page", "", "", "", "60 MB", final_rss, (final_rss <= 60 ? "ok" : "over")
}' "$results"
if [ ${#empty[@]} -gt 0 ]; then
  echo "idle_cost: no figure for ${#empty[@]} measurement(s) whose page showed nothing: ${empty[*]}" >&2
  exit 1
fi
