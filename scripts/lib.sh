# Shared by the scripts: package installation and the build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc 2>/dev/null || echo 2)}"  # JOBS=N: fewer build jobs on a shared machine

# Installs the packages of the given lists that are missing (one name per line, # comments).
install_packages() {
  local missing=() pkg
  for list in "$@"; do
    while read -r pkg; do
      pkg="${pkg%%#*}"; pkg="${pkg// /}"
      [ -n "$pkg" ] || continue
      dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done < "$list"
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
}

# configure_and_build <build dir> <build type> [extra cmake args...] [-- targets...]
configure_and_build() {
  local dir="$1" type="$2"; shift 2
  local args=() targets=()
  while [ $# -gt 0 ]; do
    if [ "$1" = "--" ]; then shift; targets=("$@"); break; fi
    args+=("$1"); shift
  done
  cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${args[@]}" > /dev/null
  cmake --build "$ROOT/$dir" -j "$JOBS" ${targets[@]+--target "${targets[@]}"}
}
