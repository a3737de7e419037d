# Sourced by the set-up scripts: install_missing PACKAGE... installs, with apt-get (as root or
# through sudo), the Debian packages of the list that are not installed yet, and nothing when all
# are there (so a machine without network or sudo runs as long as it has everything).
install_missing() {
  local missing=() p sudo=""
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
