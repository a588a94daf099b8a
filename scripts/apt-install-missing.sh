# Sourced by the install scripts: install_missing WHO PACKAGE... installs, with
# apt-get, those of the packages that are not installed yet, and returns at once
# when none is missing (one dpkg-query for the whole list keeps that fast).
install_missing() {
  local who=$1 p installed missing=() sudo=""
  shift
  installed=" $(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "$@" 2>/dev/null |
    awk '$2 == "installed" { printf "%s ", $1 }' || true)"
  for p in "$@"; do
    [[ "$installed" == *" $p "* ]] || missing+=("$p")
  done
  ((${#missing[@]} > 0)) || return 0
  echo "$who: installing ${missing[*]}" >&2
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
