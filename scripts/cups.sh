# Sourced by test.sh: a CUPS server with a PDF printer "PDF" as the default,
# for the printing tests. A CUPS server that is already running belongs to
# the user's desktop and is left alone (the real-printer test then skips).

cups_started_pid=""

cups_start() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "cups: not root; the real-printer test will be skipped"
        return 0
    fi
    if lpstat -r 2>/dev/null | grep -q "is running"; then
        echo "cups: a CUPS server is already running; the real-printer test will be skipped"
        return 0
    fi
    mkdir -p /run/cups
    rm -f /run/cups/cupsd.pid
    /usr/sbin/cupsd
    for _ in $(seq 1 100); do
        if lpstat -r 2>/dev/null | grep -q "is running" && [ -s /run/cups/cupsd.pid ]; then
            break
        fi
        sleep 0.1
    done
    cups_started_pid="$(cat /run/cups/cupsd.pid 2>/dev/null || true)"
    if [ -z "$cups_started_pid" ]; then
        echo "cups: cupsd did not start" >&2
        return 1
    fi
    lpadmin -p PDF -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd \
        -o pdftops-renderer-default=pdftocairo -E
    lpadmin -d PDF
    # cups-pdf writes to the home folder of the user in the password file,
    # whatever $HOME says.
    export SCRIVLET_CUPS_PDF_DIR="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF"
    mkdir -p "$SCRIVLET_CUPS_PDF_DIR"
    echo "cups: cupsd running as PID $cups_started_pid, default printer PDF -> $SCRIVLET_CUPS_PDF_DIR"
}

cups_stop() {
    if [ -n "$cups_started_pid" ]; then
        kill -TERM "$cups_started_pid" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 "$cups_started_pid" 2>/dev/null || break
            sleep 0.1
        done
        cups_started_pid=""
    fi
}
