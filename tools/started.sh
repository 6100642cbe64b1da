# Sourced by scripts that start processes: each one is ended by its PID when the script is done.
#   pids+=(PID)    remember a process started in the background
#   end_started    end every remembered process, wait for each, and forget them
pids=()
end_started() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    pids=()
}
