# Shared by scripts/test and scripts/run.

tavrion_packages=(build-essential cmake libgtest-dev libgmock-dev libbenchmark-dev
  libwxgtk3.2-dev xvfb xdotool x11-utils clang libclang-rt-14-dev iproute2 util-linux locales imagemagick)

# Installs the Debian packages the build and tests need; updates the package
# lists only when something is missing.
install_packages() {
  local missing=()
  local package
  for package in "${tavrion_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# A comma-decimal locale, so the tests can show that numbers in the station's
# texts never follow the desktop's locale.
install_test_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || echo "note: could not generate de_DE.UTF-8"
  fi
}
