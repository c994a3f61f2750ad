#!/usr/bin/env bash
# Checks what scripts/package built into dist/ (or the folder given): the Debian package's
# contents, control fields and lintian's verdict (pedantic and experimental tags too); that its
# program, unpacked, searches a small tree and writes the expected report; the manual page, the
# README and the bash completion; the Windows zip's files, line ends, times and modes, and the
# version resource of each Windows program against the project's version; that the user's
# documents warn of every trap of the report; SHA256SUMS; and that the source tarball holds
# exactly the commit's files and, unpacked, builds its programs with cmake alone, which search
# the small tree as the packaged one does. A missing tool is a failure. Ends with
# "package: N passed, N failed".
set -euo pipefail
project=$(cd "$(dirname "$0")/../.." && pwd)
dist=$(cd "${1:-$project/dist}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

passed=0
failed=0
pass() {
  echo "ok: $1"
  passed=$((passed + 1))
}
fail() {
  echo "FAILED: $1"
  failed=$((failed + 1))
}
# Prints what differs, expected first, when the two texts are not equal.
expect_equal() {
  if [ "$2" = "$3" ]; then
    pass "$1"
  else
    fail "$1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed 's/^/    /' || true
  fi
}

# The traps of the report that the user's README and each manual page must warn of: a name, then
# the phrases that say it (extended regular expressions, in any case), each of which must appear
# once the text's lines are joined.
traps=(
  "never to xargs rm;never (feed|hand) [^.]* xargs rm"
  "a line feed in a name;holds a line feed spans two lines;name another file"
  "hard links;hard links are listed as copies;counted as waste;frees nothing"
  "the first path;first path of a group is not .the original"
  "the empty files;empty-files list;lock files;placeholder files"
  "the report replaced;every run replaces the earlier report;dupscan --help;mistyped;wrong folder"
  "wildcards and %NAME%;%HOME%;do not use wildcards in folders that other people can write to"
  "dupscan-tidy;dupscan-tidy"
)
# Names each phrase of a trap that the text in file $2 lacks.
expect_traps() {
  local text trap phrase missing=""
  local -a phrases
  text=$(tr -d '\r' <"$2" | tr -s ' \t\n' ' ')
  for trap in "${traps[@]}"; do
    IFS=';' read -ra phrases <<<"$trap"
    for phrase in "${phrases[@]:1}"; do
      grep -qiE -e "$phrase" <<<"$text" || missing+="${phrases[0]}: \"$phrase\" is missing"$'\n'
    done
  done
  expect_equal "$1 warns of every trap of the report" "" "${missing%$'\n'}"
}
# A manual page as plain text, as scripts/package puts it in MANUAL.txt.
render_manual() {
  groff -man -Tascii -P -cbou -rHY=0
}
# Each file under folder $1 as git lists a tree: its mode, a tab and its path; the hash
# as git computes it, without filters, in between.
tree_of() {
  local path
  (cd "$1" && find . -type f -printf '%P\n' | while IFS= read -r path; do
    if [ -x "$path" ]; then printf '100755 '; else printf '100644 '; fi
    printf '%s\t%s\n' "$(git hash-object --no-filters -- "$path")" "$path"
  done)
}
by_path() { LC_ALL=C sort -t $'\t' -k 2; }

# A dupscan, named $1 and found at $2, on a tree with a pair, a triple, a look-alike of the
# triple's size and a file of its own size: exit status 0, the groups by size, each sorted, and
# the summary.
expect_scan() {
  local status=0 console report
  if [ ! -d "$work/run/tree" ]; then
    mkdir -p "$work/run/tree/sub/deeper"
    printf 'hi\n' >"$work/run/tree/a.txt"
    cp "$work/run/tree/a.txt" "$work/run/tree/sub/a-copy.txt"
    head -c 2000 /dev/zero | tr '\0' 'b' >"$work/run/tree/b.bin"
    cp "$work/run/tree/b.bin" "$work/run/tree/sub/b-copy.bin"
    cp "$work/run/tree/b.bin" "$work/run/tree/sub/deeper/b-again.bin"
    head -c 2000 /dev/zero | tr '\0' 'c' >"$work/run/tree/c.bin"
    printf 'unique\n' >"$work/run/tree/u.txt"
  fi
  # An earlier program's report must not stand in for this one's.
  rm -f "$work/run/duplicates.txt"
  console=$(cd "$work/run" && "$2" tree) || status=$?
  expect_equal "$1's exit status" 0 "$status"
  expect_equal "$1's summary" \
    "$(printf '\tFound 5 duplicate files wasting a total of 3.91 KB bytes')" \
    "$(tail -n 1 <<<"$console")"
  report=$(cat "$work/run/duplicates.txt" 2>&1; echo .)  # the "." keeps the final empty line
  expect_equal "$1's report" "File Size: 3 bytes
tree/a.txt
tree/sub/a-copy.txt

File Size: 1.95 KB
tree/b.bin
tree/sub/b-copy.bin
tree/sub/deeper/b-again.bin

." "$report"
}

for tool in dpkg-deb lintian groff unzip zipinfo wrestool python3 file tar cmake git sha256sum; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps package)"
done

version=$(sed -n 's/^project(dupscan VERSION \([0-9.]*\).*/\1/p' "$project/CMakeLists.txt")
[ -n "$version" ] || fail "no version in CMakeLists.txt's project()"
copyright=$(grep -m 1 '^Copyright ' "$project/LICENSE")
mapfile -t programs < <(grep -v '^#' "$project/packaging/programs")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The packaged commit's time, which scripts/package gives every file's date.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$project" log -1 --format=%ct 2>/dev/null || echo 0)}

# --- The Debian package ---
deb=$(find "$dist" -maxdepth 1 -name "dupscan_${version}_*.deb" | head -n 1)
if [ -z "$deb" ]; then
  fail "no dupscan_${version}_*.deb in $dist"
else
  listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
  expected_paths=(./usr/share/doc/dupscan/copyright ./usr/share/doc/dupscan/README)
  for program in "${programs[@]}"; do
    expected_paths+=("./usr/bin/$program" "./usr/share/man/man1/$program.1.gz"
      "./usr/share/bash-completion/completions/$program")
  done
  for path in "${expected_paths[@]}"; do
    if grep -qxF "$path" <<<"$listing"; then
      pass "the package holds $path"
    else
      fail "the package lacks $path"
    fi
  done
  expect_equal "the package's version and section" "$version utils" \
    "$(dpkg-deb -f "$deb" Version) $(dpkg-deb -f "$deb" Section)"
  if dpkg-deb -f "$deb" Depends | grep -q 'libc6'; then
    pass "the dependencies come from the binary"
  else
    fail "no libc6 in Depends: $(dpkg-deb -f "$deb" Depends)"
  fi

  dpkg-deb -x "$deb" "$work/root"
  # The hash compiled into the program is xxHash's, whose license asks for its notice.
  if grep -q '^License: BSD-2-Clause$' "$work/root/usr/share/doc/dupscan/copyright" &&
      grep -q 'Redistributions in binary form' "$work/root/usr/share/doc/dupscan/copyright"; then
    pass "the copyright file carries xxHash's license"
  else
    fail "the copyright file lacks xxHash's license"
  fi
  expect_scan "the unpacked program" "$work/root/usr/bin/dupscan"

  # Each manual page as installed: no groff warning, and the project's version in its footer.
  for program in "${programs[@]}"; do
    page=$(zcat "$work/root/usr/share/man/man1/$program.1.gz")
    warnings=$(groff -man -ww -z 2>&1 <<<"$page")
    expect_equal "$program's manual page renders without warnings" "" "$warnings"
    if grep -q "^\.TH [^ ]* 1 .* $version\"" <<<"$page"; then
      pass "$program's manual page carries version $version"
    else
      fail "$program's manual page's title line: $(grep '^\.TH' <<<"$page")"
    fi
  done
  zcat "$work/root/usr/share/man/man1/dupscan.1.gz" | render_manual >"$work/dupscan.txt"
  expect_traps "the manual page" "$work/dupscan.txt"
  if cmp -s "$work/root/usr/share/doc/dupscan/README" "$project/docs/user-readme.txt"; then
    pass "the package's README is the user's, docs/user-readme.txt"
  else
    fail "the package's README is not docs/user-readme.txt"
  fi
  expect_traps "the README" "$project/docs/user-readme.txt"
  # Sourced as bash-completion sources it on the first completion of the program.
  completions=$work/root/usr/share/bash-completion/completions
  expect_equal "bash completes dupscan's arguments with folders only" "complete -d dupscan" \
    "$(bash --norc --noprofile -c 'source "$1" && complete -p dupscan' completion \
      "$completions/dupscan" 2>&1)"
  # dupscan-tidy's: the words typed, as bash splits them (at = and : too), and what is offered
  # for the last, in a folder that holds a folder and a file.
  mkdir -p "$work/complete/Pictures" && touch "$work/complete/Pictures.txt"
  expect_equal "bash completes dupscan-tidy's commands, options and their values" \
    "ap -> apply
plan --act -> --action
apply --action r -> remove reflink
apply --within = -> Pictures
apply --within = P -> Pictures
plan --keep under : P -> Pictures
--report Pictures. -> Pictures.txt
--vers -> --version" \
    "$(cd "$work/complete" && bash --norc --noprofile -c 'source "$1" && shift &&
      for line in "$@"; do
        read -ra COMP_WORDS <<<"dupscan-tidy $line"
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _dupscan_tidy
        echo "$line -> ${COMPREPLY[*]}"
      done' completion "$completions/dupscan-tidy" "ap" "plan --act" "apply --action r" \
        "apply --within =" "apply --within = P" "plan --keep under : P" "--report Pictures." \
        "--vers" 2>&1)"

  # Packed again from the same build by packagers of two umasks, the usual one and one that lets
  # no one else read: the same bytes each time, and so the same modes, 0755 for every folder.
  for mask in 022 077; do
    status=0
    (umask "$mask" && SOURCE_DATE_EPOCH=$epoch "$project/scripts/package-deb" \
      "$project/build/package/linux" "$work/umask$mask") >"$work/umask$mask.log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
      fail "scripts/package-deb under umask $mask failed"
      tail -n 20 "$work/umask$mask.log" | sed 's/^/    /'
    elif cmp -s "$deb" "$work/umask$mask/$(basename "$deb")"; then
      pass "the package packed under umask $mask is the same, byte for byte"
    else
      fail "the package packed under umask $mask differs: $(dpkg-deb -c \
        "$work/umask$mask/$(basename "$deb")" | grep -m 1 '^d.*---' || echo 'not in its modes')"
    fi
  done

  # Every tag lintian knows, pedantic and experimental ones too; "N:" lines only explain. A
  # lintian that could not run shows no tag either, hence its exit status.
  status=0
  lintian -EvIL +pedantic "$deb" >"$work/lintian.log" 2>&1 || status=$?
  expect_equal "lintian -EvIL +pedantic finds nothing" "exit status 0" \
    "$(grep -E '^[A-MO-Z]: ' "$work/lintian.log"; echo "exit status $status")"
fi

# --- The Windows zip ---
zip=$dist/dupscan-$version-windows.zip
if [ ! -f "$zip" ]; then
  fail "no dupscan-$version-windows.zip in $dist"
else
  # Its entries in a fixed order, each with a fixed mode and the packaged commit's time, which
  # zip stores to the even second above, as the local time of TZ (UTC here).
  time=$(TZ=UTC date -d "@$((epoch + epoch % 2))" +%Y%m%d.%H%M%S)
  expected=""
  for program in "${programs[@]}"; do
    expected+="-rwxr-xr-x $time $program.exe"$'\n'"-rwxr-xr-x $time ${program}32.exe"$'\n'
  done
  for text in README.txt MANUAL.txt LICENSE.txt XXHASH-LICENSE.txt; do
    expected+="-rw-r--r-- $time $text"$'\n'
  done
  expect_equal "the zip's entries, their order, modes and times" "${expected%$'\n'}" \
    "$(TZ=UTC zipinfo -T "$zip" | awk '$1 ~ /^-/ {print $1, $7, $8}')"
  unzip -q "$zip" -d "$work/zip"
  for text in README.txt:docs/user-readme.txt LICENSE.txt:LICENSE; do
    name=${text%%:*}
    if grep -qv $'\r$' "$work/zip/$name"; then
      fail "$name has lines without CR LF"
    elif tr -d '\r' <"$work/zip/$name" | cmp -s - "$project/${text#*:}"; then
      pass "$name is ${text#*:} with CR LF line ends"
    else
      fail "$name is not ${text#*:}"
    fi
  done
  if grep -qv $'\r$' "$work/zip/XXHASH-LICENSE.txt" ||
      ! grep -q 'Redistributions in binary form' "$work/zip/XXHASH-LICENSE.txt"; then
    fail "XXHASH-LICENSE.txt is not xxHash's license with CR LF line ends"
  else
    pass "XXHASH-LICENSE.txt is xxHash's license with CR LF line ends"
  fi
  # Every manual page, in the order of packaging/programs, as plain text with CR LF line ends.
  expected=$(printf '%s\n' "${programs[@]}")
  actual=$(tr -d '\r' <"$work/zip/MANUAL.txt" | awk '$0 == "NAME" {getline; print $1}')
  if grep -qv $'\r$' "$work/zip/MANUAL.txt" || LC_ALL=C grep -q '[^[:print:][:space:]]' \
      "$work/zip/MANUAL.txt"; then
    fail "MANUAL.txt is not plain text with CR LF line ends"
  else
    expect_equal "MANUAL.txt holds the manual pages, in order" "$expected" "$actual"
  fi
  expect_traps "MANUAL.txt" "$work/zip/MANUAL.txt"
  # Each program for its processor, with the version resource as the file holds it, checked
  # against project() and LICENSE.
  for program in "${programs[@]}"; do
    for build in "$program:PE32+ executable (console) x86-64" \
        "${program}32:PE32 executable (console) Intel 80386"; do
      name=${build%%:*}.exe
      kind=$(file -b "$work/zip/$name")
      if [[ $kind == "${build#*:}"* ]]; then
        pass "$name is ${build#*:}"
      else
        fail "$name is $kind"
      fi
      expected=$(printf '%s\n' "FILEVERSION=$version.0" "PRODUCTVERSION=$version.0" \
        "FileVersion=$version" "ProductVersion=$version" "ProductName=dupscan" \
        "OriginalFilename=$name" "LegalCopyright=$copyright" | LC_ALL=C sort)
      keys=$(cut -d= -f1 <<<"$expected" | paste -sd'|')
      resource=$(wrestool -x --raw --type=16 "$work/zip/$name" |
        python3 "$here/version_resource.py" 2>&1) || true
      actual=$(grep -E "^($keys)=" <<<"$resource" | LC_ALL=C sort) || actual=$resource
      expect_equal "$name's version resource" "$expected" "$actual"
    done
  done
fi

# --- SHA256SUMS ---
if [ ! -f "$dist/SHA256SUMS" ]; then
  fail "no SHA256SUMS in $dist"
else
  expect_equal "SHA256SUMS lists every package" \
    "$(cd "$dist" && LC_ALL=C && packaged=(*) && printf '%s\n' "${packaged[@]}" | grep -vx SHA256SUMS)" \
    "$(sed 's/^[0-9a-f]\{64\}  //' "$dist/SHA256SUMS")"
  if (cd "$dist" && sha256sum --quiet -c SHA256SUMS); then
    pass "SHA256SUMS matches the packages"
  else
    fail "SHA256SUMS does not match the packages"
  fi
fi

# --- The source tarball ---
tarball=$dist/dupscan-$version.tar.gz
if [ ! -f "$tarball" ]; then
  fail "no dupscan-$version.tar.gz in $dist"
else
  expect_equal "the tarball holds one folder, dupscan-$version" "dupscan-$version" \
    "$(tar -tzf "$tarball" | cut -d/ -f1 | sort -u)"
  source=$work/source/dupscan-$version
  mkdir -p "$work/source"
  tar -xzf "$tarball" -C "$work/source"
  # Exactly the files of the packaged commit, each with its bytes and mode: the commit that
  # scripts/test builds and tests in every build, so its tests need no second run from here.
  expect_equal "the tarball holds the commit's files, bytes and modes" \
    "$(git -C "$project" ls-tree -r -z HEAD | tr '\0' '\n' | cut -d' ' -f1,3- | by_path)" \
    "$(tree_of "$source" | by_path)"
  # Configured, built and run as anyone who fetched it would, with cmake alone and its default
  # generator, outside any git clone and without the project's scripts.
  if { env -u CMAKE_GENERATOR cmake -S "$source" -B "$source/build" &&
       cmake --build "$source/build" --parallel "$(nproc)" --target dupscan dupscan-tidy; } \
      >"$work/tarball.log" 2>&1; then
    pass "the tarball configures and builds its programs"
    expect_scan "the tarball's program" "$source/build/dupscan"
    status=0
    (cd "$work/run" && "$source/build/dupscan-tidy" check >/dev/null) || status=$?
    expect_equal "the tarball's dupscan-tidy finds the report's groups" 1 "$status"
  else
    fail "the tarball does not configure or build its programs"
    tail -n 30 "$work/tarball.log" | sed 's/^/    /'
  fi
fi

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
