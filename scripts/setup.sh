#!/usr/bin/env bash
# Installs the Debian packages Quendo needs to build and test, and the pt_BR.UTF-8 locale that the
# tests use. Safe to run again: it does nothing (quickly and quietly) when all is in place.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  locales
  # the print spooler: libcups for the device layer, and the daemon and lpadmin for the tests' private
  # print server
  libcups2-dev cups-daemon cups-client
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# pt_BR.UTF-8 is where the tests check the Brazilian decimal separator and date format.
if ! locale -a 2>/dev/null | grep -qi '^pt_BR\.utf-\?8$'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: the pt_BR.UTF-8 locale is missing (run as root to generate it)" >&2
    exit 1
  fi
  echo "setup: generating the pt_BR.UTF-8 locale"
  sed -i 's/^# *pt_BR.UTF-8 UTF-8/pt_BR.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^pt_BR.UTF-8 UTF-8' /etc/locale.gen || echo 'pt_BR.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
