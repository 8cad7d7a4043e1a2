# Shared by scripts/run and scripts/test: the Debian packages the project needs,
# installed only when missing, and the build.

KVN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KVN_BUILD=${KVN_BUILD:-$KVN_ROOT/build}

# Build tools and libraries.
KVN_BUILD_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libsqlite3-dev qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-charts-dev libqt6opengl6-dev
  libsimpleini-dev
  libgtest-dev libbenchmark-dev
  zlib1g-dev libisal-dev libgsf-1-dev libsane-dev libcrypto++-dev libjpeg62-turbo-dev libfreexl-dev
  fonts-liberation fonts-dejavu-core fonts-droid-fallback
)
# Independent readers used by the tests.
KVN_TEST_PACKAGES=(
  sqlite3 python3 python3-xlrd python3-olefile python3-dbfread
  poppler-utils qpdf libxml2-utils unzip zip p7zip-full gnumeric
  libreoffice-writer-nogui libreoffice-calc-nogui texlive-latex-base lmodern libjpeg-turbo-progs
  libsane1 desktop-file-utils appstream groff-base file
)
# The Debian package (scripts/package): its dependencies and its checker.
KVN_PACKAGE_PACKAGES=(dpkg-dev lintian file)
# The memory checks (scripts/check-memory): clang's libFuzzer.
KVN_CHECK_PACKAGES=(clang libclang-rt-14-dev)
# The formatting check (scripts/check-format).
KVN_FORMAT_PACKAGES=(clang-format git)
# What running the program needs beyond the build.
KVN_RUN_PACKAGES=(xvfb xauth xdg-utils qt6-translations-l10n)

kvn_install_packages() {
  local missing=()
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installation des paquets manquants : ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

kvn_build() {
  local werror=OFF
  [ -n "${KVN_CI:-}" ] && werror=ON
  cmake -S "$KVN_ROOT" -B "$KVN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKVN_WERROR=$werror >/dev/null
  cmake --build "$KVN_BUILD" -j "$(nproc)"
}
