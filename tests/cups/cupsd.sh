#!/usr/bin/env bash
# Starts or stops the private print spooler used by the tests.
#   cupsd.sh start DIR   cupsd.sh stop DIR
#
# Everything lives in DIR: configuration, state, spool, logs, the socket
# DIR/cups.sock (point CUPS_SERVER at it) and the printed output. Two printers:
#   "Office Laser" (queue Office_Laser): A4 default, 600 dpi, colour, two-sided,
#                  trays automatic / tray 1 / tray 2 / manual; the default printer
#   "Mono Letter"  (queue Mono_Letter):  Letter default, 300 dpi, monochrome,
#                  one-sided, one tray
# Jobs pass through unfiltered (application/pdf in, the same PDF out) and land
# as DIR/out/<queue>-<job id>.pdf, with the job's options beside it in
# DIR/out/<queue>-<job id>.opts (title, copies and the option string).
set -euo pipefail

cmd=${1:?usage: cupsd.sh start|stop DIR}
dir=${2:?usage: cupsd.sh start|stop DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
sock=$dir/cups.sock
pidfile=$dir/cupsd.pid

die() { echo "cupsd.sh: $*" >&2; exit 1; }

stop_server() {
  [ -f "$pidfile" ] || return 0
  local pid
  pid=$(cat "$pidfile")
  rm -f "$pidfile"
  # Only a cupsd started from this folder is ours to stop.
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null &&
     tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -q -- "$dir/etc/cupsd.conf"; then
    kill "$pid"
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$sock"
}

write_ppd() { # file nickname color(True|False) dpi duplex(yes|no) trays(yes|no) default-size
  local file=$1 nick=$2 color=$3 dpi=$4 duplex=$5 trays=$6 defsize=$7
  {
    cat <<EOF
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "MIRVAK.PPD"
*Manufacturer: "Mirvak"
*Product: "($nick)"
*ModelName: "Mirvak $nick"
*ShortNickName: "Mirvak $nick"
*NickName: "Mirvak $nick"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: $color
*DefaultColorSpace: $( [ "$color" = True ] && echo RGB || echo Gray )
*FileSystem: False
*Throughput: "20"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsFilter2: "application/pdf application/pdf 0 -"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: ${dpi}dpi
*Resolution ${dpi}dpi/${dpi} dpi: ""
*CloseUI: *Resolution
EOF
    if [ "$color" = True ]; then
      cat <<EOF
*OpenUI *ColorModel/Color Mode: PickOne
*OrderDependency: 10 AnySetup *ColorModel
*DefaultColorModel: RGB
*ColorModel RGB/Color: ""
*ColorModel Gray/Grayscale: ""
*CloseUI: *ColorModel
EOF
    fi
    if [ "$duplex" = yes ]; then
      cat <<EOF
*OpenUI *Duplex/2-Sided Printing: PickOne
*OrderDependency: 10 AnySetup *Duplex
*DefaultDuplex: None
*Duplex None/Off: ""
*Duplex DuplexNoTumble/Long-Edge (Portrait): ""
*Duplex DuplexTumble/Short-Edge (Landscape): ""
*CloseUI: *Duplex
EOF
    fi
    if [ "$trays" = yes ]; then
      cat <<EOF
*OpenUI *InputSlot/Media Source: PickOne
*OrderDependency: 10 AnySetup *InputSlot
*DefaultInputSlot: Auto
*InputSlot Auto/Automatic: ""
*InputSlot Tray1/Tray 1: ""
*InputSlot Tray2/Tray 2: ""
*InputSlot Manual/Manual Feed: ""
*CloseUI: *InputSlot
EOF
    fi
    # Sizes in points; margins: 5 mm on the laser, 1/4 inch on the letter printer.
    local sizes
    if [ "$trays" = yes ]; then
      sizes="A4:A4:595.28:841.89;Letter:Letter:612:792;Legal:Legal:612:1008;A3:A3:841.89:1190.55;A5:A5:419.53:595.28;B5:B5 (JIS):515.91:728.5;Postcard:Japanese Postcard:283.46:419.53"
      margin=14.18
    else
      sizes="Letter:Letter:612:792;Legal:Legal:612:1008;A4:A4:595.28:841.89"
      margin=18
    fi
    echo "*OpenUI *PageSize/Media Size: PickOne"
    echo "*OrderDependency: 10 AnySetup *PageSize"
    echo "*DefaultPageSize: $defsize"
    local IFS=';'
    for s in $sizes; do
      IFS=: read -r name text w h <<<"$s"
      echo "*PageSize $name/$text: \"<</PageSize[$w $h]>>setpagedevice\""
    done
    echo "*CloseUI: *PageSize"
    echo "*OpenUI *PageRegion: PickOne"
    echo "*OrderDependency: 10 AnySetup *PageRegion"
    echo "*DefaultPageRegion: $defsize"
    for s in $sizes; do
      IFS=: read -r name text w h <<<"$s"
      echo "*PageRegion $name/$text: \"<</PageSize[$w $h]>>setpagedevice\""
    done
    echo "*CloseUI: *PageRegion"
    echo "*DefaultImageableArea: $defsize"
    for s in $sizes; do
      IFS=: read -r name text w h <<<"$s"
      echo "*ImageableArea $name/$text: \"$margin $margin $(awk "BEGIN{print $w - $margin}") $(awk "BEGIN{print $h - $margin}")\""
    done
    echo "*DefaultPaperDimension: $defsize"
    for s in $sizes; do
      IFS=: read -r name text w h <<<"$s"
      echo "*PaperDimension $name/$text: \"$w $h\""
    done
    if [ "$trays" = yes ]; then
      cat <<EOF
*VariablePaperSize: True
*MaxMediaWidth: "842"
*MaxMediaHeight: "1191"
*HWMargins: $margin $margin $margin $margin
*CustomPageSize True: "pop pop pop <</PageSize[5 -2 roll]/ImagingBBox null>>setpagedevice"
*ParamCustomPageSize Width: 1 points 144 842
*ParamCustomPageSize Height: 2 points 144 1191
*ParamCustomPageSize WidthOffset: 3 points 0 0
*ParamCustomPageSize HeightOffset: 4 points 0 0
*ParamCustomPageSize Orientation: 5 int 0 0
EOF
    fi
    echo "*DefaultFont: Courier"
    echo "*Font Courier: Standard \"(002.004S)\" Standard ROM"
  } > "$file"
}

start_server() {
  command -v cupsd >/dev/null || die "cupsd is not installed (scripts/deps.sh installs it)"
  local sockdir_len=${#sock}
  [ "$sockdir_len" -lt 100 ] || die "socket path too long for a local socket: $sock"
  stop_server
  rm -rf "$dir/etc" "$dir/spool" "$dir/cache" "$dir/state" "$dir/log" "$dir/bin" "$dir/out" "$dir/ppd-src"
  mkdir -p "$dir/etc/ppd" "$dir/etc/ssl" "$dir/spool/tmp" "$dir/cache" "$dir/state/certs" \
           "$dir/log" "$dir/bin/backend" "$dir/out" "$dir/ppd-src"

  # Helper programs come from the system; only the backend is ours.
  for sub in filter daemon cgi-bin monitor notifier driver; do
    [ -e "/usr/lib/cups/$sub" ] && ln -s "/usr/lib/cups/$sub" "$dir/bin/$sub"
  done
  # The backend is readable by root only, so cupsd runs it as root: it can then
  # write into DIR even where the lp user cannot reach it.
  cat > "$dir/bin/backend/testfile" <<'EOF'
#!/bin/sh
# testfile:/folder -- writes each job to /folder/<queue>-<job id>.pdf
if [ $# -eq 0 ]; then
  echo 'file testfile "Mirvak test output" "Writes jobs into a folder"'
  exit 0
fi
out=${DEVICE_URI#testfile:}
base="$out/${PRINTER}-$1"
{
  printf 'title=%s\n' "$3"
  printf 'copies=%s\n' "$4"
  printf 'options=%s\n' "$5"
} > "$base.opts.tmp"
if [ -n "${6:-}" ]; then cat "$6"; else cat; fi > "$base.pdf.tmp" || exit 1
mv "$base.opts.tmp" "$base.opts"
mv "$base.pdf.tmp" "$base.pdf"
exit 0
EOF
  chmod 0700 "$dir/bin/backend/testfile"

  cat > "$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
ServerBin $dir/bin
DataDir /usr/share/cups
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerKeychain $dir/etc/ssl
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/state/printcap
User lp
Group lp
SystemGroup root
FileDevice Yes
Sandboxing Relaxed
EOF
  cat > "$dir/etc/cupsd.conf" <<EOF
LogLevel warn
Listen $sock
Browsing No
BrowseLocalProtocols none
DefaultShared No
DefaultAuthType None
DefaultEncryption Never
WebInterface No
PreserveJobHistory Yes
PreserveJobFiles No
MaxJobs 0
JobRetryLimit 0
ErrorPolicy abort-job
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
DefaultPolicy default
EOF
  # cupsd checks ownership and modes of its folders; give the job user access.
  chown -R root:lp "$dir/etc" "$dir/spool" "$dir/cache" "$dir/state" "$dir/log"
  chmod 0755 "$dir/etc" "$dir/bin" "$dir/bin/backend"
  chmod 0710 "$dir/spool"
  chmod 1770 "$dir/spool/tmp"
  chmod 0770 "$dir/cache" "$dir/state"
  chmod 0777 "$dir/out"

  write_ppd "$dir/ppd-src/office.ppd" "Office Laser" True 600 yes yes A4
  write_ppd "$dir/ppd-src/mono.ppd" "Mono Letter" False 300 no no Letter

  cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
    > "$dir/log/cupsd.out" 2>&1 &
  echo $! > "$pidfile"

  local ready=
  for _ in $(seq 100); do
    if ! kill -0 "$(cat "$pidfile")" 2>/dev/null; then
      cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
      rm -f "$pidfile"
      die "cupsd exited at start-up"
    fi
    if [ -S "$sock" ] && lpstat -h "$sock" -r 2>/dev/null | grep -q 'is running'; then
      ready=1
      break
    fi
    sleep 0.1
  done
  if [ -z "$ready" ]; then
    cat "$dir/log/error_log" >&2 2>/dev/null || true
    stop_server
    die "cupsd did not answer on $sock"
  fi

  # Printer drivers are deprecated in CUPS 2.4 and lpadmin says so; that is fine here.
  lpadmin -h "$sock" -p Office_Laser -E -v "testfile:$dir/out" -P "$dir/ppd-src/office.ppd" \
    -D "Office Laser" -L "Room 1" 2>&1 | grep -v -i deprecated >&2 || true
  lpadmin -h "$sock" -p Mono_Letter -E -v "testfile:$dir/out" -P "$dir/ppd-src/mono.ppd" \
    -D "Mono Letter" -L "Room 2" 2>&1 | grep -v -i deprecated >&2 || true
  lpadmin -h "$sock" -d Office_Laser
  local listed
  listed=$(lpstat -h "$sock" -a 2>/dev/null | grep -c 'accepting requests' || true)
  [ "$listed" = 2 ] || { lpstat -h "$sock" -t >&2 || true; stop_server; die "printers were not set up"; }
  echo "cupsd running on $sock"
}

case "$cmd" in
  start) start_server ;;
  stop) stop_server; echo "cupsd stopped" ;;
  *) die "unknown command $cmd" ;;
esac
