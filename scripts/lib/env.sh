# Shared by scripts/test, scripts/run and scripts/bench: packages, a virtual display and Wine.

VBX_APT_PACKAGES=(cmake ninja-build g++ gcc googletest libgtest-dev libbenchmark-dev libpugixml-dev
    nlohmann-json3-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64 xvfb xauth x11-utils xdotool imagemagick chromium openssl clang libclang-rt-14-dev zip unzip
    python3)

# apt-get installs only what is missing; needs root on a fresh machine.
vbx_install_packages() {
    local missing=() p
    for p in "${VBX_APT_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    command -v node >/dev/null && command -v npm >/dev/null || missing+=(nodejs npm)
    ((${#missing[@]} == 0)) && return 0
    echo "=== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null 2>&1 || true # a stale mirror index must not stop us
    apt-get install -y -q --no-install-recommends "${missing[@]}" >/tmp/vbx-apt.log 2>&1 || {
        tail -n 20 /tmp/vbx-apt.log
        return 1
    }
}

# playwright-core for the browser tests, from the npm registry.
vbx_install_node_modules() {
    local dir=$root/tests/browser
    [[ -f $dir/package.json ]] || return 0
    [[ -d $dir/node_modules/playwright-core ]] && return 0
    echo "=== npm install in tests/browser"
    if [[ -f $dir/package-lock.json ]]; then
        (cd "$dir" && npm ci --no-audit --no-fund >/tmp/vbx-npm.log 2>&1)
    else
        (cd "$dir" && npm install --no-audit --no-fund >/tmp/vbx-npm.log 2>&1)
    fi || { tail -n 20 /tmp/vbx-npm.log; return 1; }
}

# A private Xvfb on the first free display number from VBX_DISPLAY_FIRST (90) to
# VBX_DISPLAY_LAST (120); stopped when the calling script ends.
vbx_start_display() {
    local n
    for n in $(seq "${VBX_DISPLAY_FIRST:-90}" "${VBX_DISPLAY_LAST:-120}"); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
        VBX_XVFB_PID=$!
        export DISPLAY=":$n"
        local i
        for i in $(seq 1 100); do
            xdpyinfo >/dev/null 2>&1 && break
            sleep 0.1
        done
        trap vbx_cleanup EXIT
        return 0
    done
    echo "no free X display" >&2
    return 1
}

# Wine prefix created once inside the build folder; a persistent wineserver for the run.
vbx_start_wine() {
    export WINEPREFIX=$1
    export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=${WINEDEBUG:-fixme-all} LC_ALL=C.UTF-8 WINEARCH=win64
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [[ ! -f $WINEPREFIX/system.reg ]]; then
        echo "=== creating the Wine prefix"
        wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
    wineserver -p >/dev/null 2>&1
    # The session's first program starts Wine's background services, which inherit its
    # output and keep it open: a test runner reading that pipe (gtest discovery) would wait
    # for them. Start them here, with their output going nowhere.
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1
    VBX_WINE_STARTED=1
    trap vbx_cleanup EXIT
}

vbx_cleanup() {
    [[ -n ${VBX_WINE_STARTED:-} ]] && wineserver -k >/dev/null 2>&1
    [[ -n ${VBX_XVFB_PID:-} ]] && kill "$VBX_XVFB_PID" 2>/dev/null
    return 0
}
