#!/bin/sh
# Runs CTest in each leg's build folder, every leg even after one fails,
# and ends with one line that sums them all; fails if any test failed or a
# leg ran no test.
#   run-test-legs.sh FOLDER[:TEST-REGEX]...
set -u
passed=0
failed=0
broken=""
for leg in "$@"; do
  folder=${leg%%:*}
  regex=
  case $leg in *:*) regex=${leg#*:} ;; esac
  echo "== make test: $folder${regex:+, tests matching $regex}"
  log=$folder/ctest-summary.log
  (cd "$folder" && ctest --output-on-failure ${regex:+-R "$regex"}) 2>&1 | tee "$log"
  # CTest's own summary: "N% tests passed, F tests failed out of T"
  summary=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -n 1)
  if [ -z "$summary" ]; then
    broken="$broken $folder"
    continue
  fi
  bad=${summary% *}
  total=${summary#* }
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done
legs=$#
[ -n "$broken" ] && echo "make test: no test summary from:$broken"
echo "make test: $passed passed, $failed failed ($legs legs)"
[ "$failed" -eq 0 ] && [ -z "$broken" ]
