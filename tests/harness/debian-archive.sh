# SPDX-License-Identifier: MIT
# The Debian archive this machine's apt uses, for building scratch roots.
# Sourced.

# debian_archive: sets `mirror` and `security` to the archive and its security
# archive as this machine's apt sources name them (deb822 files or one-line
# lists), and `aptopts` to the date checks of this machine's apt (an archive
# snapshot may carry old Release files) as mmdebstrap options. Returns 1 when
# no archive is found.
debian_archive() {
  local uri suites s f
  mirror=
  security=
  while read -r uri suites; do
    for s in $suites; do
      case $s in
        *-security) [[ -n $security ]] || security=$uri ;;
        *-updates | *-backports | *-proposed-updates) ;;
        *) [[ -n $mirror ]] || mirror=$uri ;;
      esac
    done
  done < <(
    for f in /etc/apt/sources.list.d/*.sources; do
      [[ -e $f ]] || continue
      awk 'BEGIN{RS=""} /Types:[^\n]*deb([ \t\n]|$)/ {
             u=""; s="";
             n=split($0, l, "\n");
             for (i = 1; i <= n; i++) {
               if (l[i] ~ /^URIs:/) { sub(/^URIs:[ \t]*/, "", l[i]); split(l[i], a, " "); u=a[1] }
               if (l[i] ~ /^Suites:/) { sub(/^Suites:[ \t]*/, "", l[i]); s=l[i] }
             }
             if (u != "") print u, s }' "$f"
    done
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      awk '$1 == "deb" { i = 2; if ($2 ~ /^\[/) while ($i !~ /\]$/) i++; if ($2 ~ /^\[/) i++; print $i, $(i+1) }'
  )
  mirror=${mirror%/}
  security=${security%/}
  [[ -n $mirror ]] || { echo "no Debian archive found in /etc/apt/sources*" >&2; return 1; }
  [[ -n $security ]] || security=${mirror%/debian}/debian-security
  aptopts=()
  local line
  while read -r line; do aptopts+=(--aptopt="$line"); done < <(
    apt-config dump Acquire::Check-Valid-Until Acquire::Check-Date 2>/dev/null | grep -E '^Acquire::' || true)
}
