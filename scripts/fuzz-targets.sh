# Sourced by scripts/fuzz.sh and scripts/fuzz-long.sh: the fuzz targets, one for every reader of
# outside files, and the seed each starts from (one valid file of its kind, so the fuzzer starts
# past the record count).
fuzz_targets=(fuzz_addr_data fuzz_date_data fuzz_task_data fuzz_note_data fuzz_error_ini fuzz_status_ini
    fuzz_param_file)

zeros() { printf '\\x00%.0s' $(seq "$1"); }

# Writes the seeds into <folder>/<target>/seed for every target whose folder is still empty.
seed_corpora() {
    local root="$1" target dir
    declare -A seeds=(
        [fuzz_addr_data]="\x01\x00\x00\x00$(zeros 156)"
        [fuzz_date_data]="\x01\x00\x00\x00$(zeros 104)"
        [fuzz_task_data]="\x01\x00\x00\x00$(zeros 76)"
        [fuzz_note_data]='\x02\x00\x00\x00\x00\x00\x00\x00\x07\x00\x00\x00\x03\x00\x00\x00\x09\x00\x00\x00'
        [fuzz_error_ini]='[Error]\r\nError.Count=2\r\nError.1=x\r\nError.2=y\r\n'
        [fuzz_status_ini]='[Status]\r\nRunning=1\r\n'
    )
    for target in "${fuzz_targets[@]}"; do
        dir="$root/$target"
        mkdir -p "$dir"
        # shellcheck disable=SC2059 # each seed is a printf format
        [ -z "${seeds[$target]:-}" ] || [ -n "$(ls -A "$dir")" ] || printf "${seeds[$target]}" >"$dir/seed"
    done
}
