#!/usr/bin/env bash
# fresh-debian-check.sh [--twice | --again] COMMAND: runs one README command (scripts/demo.sh or
# scripts/test.sh) the way a newcomer would, as root in a fresh minimal Debian 12 root with
# nothing but a clone of this repository, and reports how long it took. For maintainers before a
# release; CI does not run it (it needs root, debootstrap and a few GB of disk).
#
#   --twice   run the command a second time in the same root and report both times
#   --again   no fresh root: run once more in the root that the last run of COMMAND left, with
#             its clone moved to the current commit (the time of a run after the first)
#
# The root is made once with debootstrap (minbase variant) and cached as a tarball in
# build/fresh-debian; each run unpacks it anew into build/fresh-debian/root-<command>, copies a
# clone of the current commit to /root/zordelo and runs the command there through chroot, in
# namespaces of its own (mounts and processes end with it). Handed in from this machine, so that
# the root reaches the package archives the same way: the Debian sources apt uses here (only
# bookworm, bookworm-updates and bookworm-security), apt's proxy settings, the proxy environment
# variables, npm's registry and proxy settings, the DNS set-up and the CA certificates
# (/etc/ssl/certs and /usr/local/share/ca-certificates, so that a proxy with its own CA keeps
# working). Nothing else of this machine is visible inside.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
work=$src/build/fresh-debian
tarball=$work/bookworm-minbase-amd64.tar.gz

twice=0
again=0
case "${1:-}" in
  --twice) twice=1; shift ;;
  --again) again=1; shift ;;
esac
case "${1:-}" in
  demo | scripts/demo.sh) name=demo ;;
  test | scripts/test.sh) name=test ;;
  *) echo "usage: $0 [--twice | --again] scripts/demo.sh|scripts/test.sh" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "fresh-debian-check: run as root (debootstrap, chroot and mounts need it)" >&2; exit 2; }
root=$work/root-$name
mkdir -p "$work"

# Debian sources of this machine, as "URI SUITE COMPONENT" lines.
debian_sources() {
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' 2>/dev/null |
    awk '$2 ~ /^bookworm(-updates|-security)?$/' | sort -u
}
sources=$(debian_sources)
mirror=$(awk '$2 == "bookworm" { print $1; exit }' <<<"$sources")
[ -n "$mirror" ] || {
  mirror=http://deb.debian.org/debian/
  sources=$(printf '%s\n' "$mirror bookworm main" "$mirror bookworm-updates main" \
    "http://deb.debian.org/debian-security/ bookworm-security main")
}
# apt settings that decide how the archive is reached: proxies, and the date checks that a mirror
# serving a frozen snapshot needs switched off.
apt_settings=$(apt-config dump 2>/dev/null | grep -E '^Acquire::((https?|ftp)::Proxy|Check-Valid-Until|Check-Date)' || true)

if [ "$again" = 1 ]; then
  [ -d "$root/root/zordelo/.git" ] || { echo "fresh-debian-check: no earlier root in $root" >&2; exit 1; }
  echo "== Again in the root of the last run, $root"
else
  if [ ! -f "$tarball" ]; then
    command -v debootstrap >/dev/null 2>&1 || {
      echo "== Installing debootstrap (Debian package)"
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
    }
    echo "== Making a minimal Debian 12 root with debootstrap from $mirror (once; cached in $tarball)"
    stage=$work/debootstrap
    rm -rf "$stage"
    start=$SECONDS
    debootstrap --variant=minbase --arch=amd64 bookworm "$stage" "$mirror" >"$work/debootstrap.log" 2>&1 || {
      tail -20 "$work/debootstrap.log" >&2
      exit 1
    }
    tar -C "$stage" --numeric-owner -czf "$tarball.tmp" .
    mv "$tarball.tmp" "$tarball"
    rm -rf "$stage"
    echo "   done in $((SECONDS - start)) s"
  fi

  # Never delete through a mount that is still in place.
  if grep -q " $root[/ ]" /proc/self/mountinfo; then
    echo "fresh-debian-check: something is still mounted under $root" >&2
    exit 1
  fi
  echo "== Fresh root in $root"
  rm -rf "$root"
  mkdir -p "$root"
  tar -C "$root" --numeric-owner -xzf "$tarball"

  # What the root needs to reach the archives and the npm registry as this machine does.
  rm -f "$root/etc/apt/sources.list"
  while read -r uri suite component; do
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: %s\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\n' \
      "$uri" "$suite" "$component"
  done <<<"$sources" >"$root/etc/apt/sources.list.d/debian.sources"
  [ -z "$apt_settings" ] || printf '%s\n' "$apt_settings" >"$root/etc/apt/apt.conf.d/90host-archive-access"
  cp -L /etc/resolv.conf "$root/etc/resolv.conf"
  cp /etc/hosts "$root/etc/hosts"
  for dir in /etc/ssl/certs /usr/local/share/ca-certificates; do
    if [ -d "$dir" ]; then
      mkdir -p "$root$dir"
      cp -rL "$dir/." "$root$dir/"
    fi
  done
  : >"$root/root/.npmrc"
  if command -v npm >/dev/null 2>&1; then
    for key in registry proxy https-proxy noproxy; do
      value=$(npm config get "$key" 2>/dev/null || true)
      case "$value" in "" | null | undefined) continue ;; esac
      [ "$key" = registry ] && [ "$value" = https://registry.npmjs.org/ ] && continue
      echo "$key=$value" >>"$root/root/.npmrc"
    done
  fi
fi
pass_env=(HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin TERM="${TERM:-dumb}")
for var in http_proxy https_proxy no_proxy HTTP_PROXY HTTPS_PROXY NO_PROXY; do
  [ -z "${!var:-}" ] || pass_env+=("$var=${!var}")
done

# The clone: the current commit, as a newcomer's git clone would give it.
commit=$(git -C "$src" rev-parse HEAD)
[ -z "$(git -C "$src" status --porcelain --untracked-files=no)" ] ||
  echo "warning: uncommitted changes are not copied; the root gets commit $commit" >&2
if [ "$again" = 1 ]; then
  git -C "$root/root/zordelo" fetch --quiet "$src" HEAD
  git -C "$root/root/zordelo" checkout --quiet --detach "$commit"
else
  git clone --quiet --no-local --no-checkout "$src" "$root/root/zordelo"
  git -C "$root/root/zordelo" checkout --quiet --detach "$commit"
fi

# One run of the command inside the root: own mount and process namespaces, so that the mounts
# and every process left behind (wineserver, Xvfb) end with it.
run_inside() {
  unshare --mount --pid --fork --propagation private /bin/bash -c '
    set -e
    root=$1; shift
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
    exec chroot "$root" /usr/bin/env -i "$@"
  ' run-inside "$root" "${pass_env[@]}" /bin/bash -c "cd /root/zordelo && exec $1"
}

runs=1
[ "$twice" = 0 ] || runs=2
summary=()
status=0
for run in $(seq "$runs"); do
  log=$work/$name-run$run.log
  [ "$again" = 0 ] || log=$work/$name-again.log
  echo "== Run $run: scripts/$name.sh as root in $root (log: $log)"
  start=$SECONDS
  set +e
  run_inside "scripts/$name.sh" 2>&1 | tee "$log"
  code=${PIPESTATUS[0]}
  set -e
  took=$((SECONDS - start))
  summary+=("run $run: scripts/$name.sh exited $code after $((took / 60)) min $((took % 60)) s")
  [ "$code" = 0 ] || { status=$code; break; }
done
echo
echo "== scripts/$name.sh in a $([ "$again" = 1 ] && echo "used" || echo "fresh") Debian 12 root (commit ${commit:0:12}, $(nproc) cores)"
printf '   %s\n' "${summary[@]}"
exit "$status"
