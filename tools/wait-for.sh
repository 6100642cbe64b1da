# Sourced by the project's scripts. wait_for SECONDS COMMAND...: polls until the command succeeds;
# fails when the time is up.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.02
    done
}
