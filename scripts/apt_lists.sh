# Sourced by the scripts that call apt-get. A mirror that is being synced
# can serve an index out of step with its Release file, and apt-get update
# then fails for that one list although every other list is fresh; such
# states come and go. The lists apt has are then good enough to try an
# install with, so a failed update is retried once and then let pass.

# refresh_package_lists APT-GET-COMMAND... (apt-get with any sudo and options)
refresh_package_lists() {
  local attempt
  for attempt in 1 2; do
    "$@" update -qq && return 0
    [ "$attempt" -eq 1 ] && sleep 5
  done
  echo "apt-get update failed twice; going on with the package lists apt has" >&2
}
