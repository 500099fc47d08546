# The health check as a fleet runs it: t860ctl health once as the unprivileged
# user, through the access that the udev rule gave it (access_checks runs
# first), publishing into a textfile folder of that user's. Sourced by
# guest-checks.sh, whose helpers it uses.
health_checks() {
    local folder=$work/textfile-$user
    mkdir -p "$folder"
    chown "$user" "$folder"
    check "health as $user" as_user "$user_ctl" health --quiet-seconds 1 --textfile "$folder"
    expect "health as $user: the controller is up" "Controller Up: yes"
    out=$(cat "$folder/t860.prom" 2>&1)
    expect "health textfile: up" "^t860_up 1$"
    expect "health textfile: identity and versions" \
        '^t860_info\{serial="86012345",model="860",firmware="3.12",driver="[^"]+"\} 1$'
    expect "health textfile: the scripted fingers are ghosts in the quiet window" \
        "^t860_ghost_touches [1-9][0-9]*$"
    out=$(stat -c %a "$folder/t860.prom" 2>&1)
    expect "health textfile: readable by the exporter's user" "^644$"
}
