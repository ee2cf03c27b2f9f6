#!/usr/bin/env bash
# Draws the robot program's pictures and its alarm sound, all made by this
# team, into robot/win32/res (the results are committed; run again after a
# change):
#   korvex.ico   main and "active" icon (resource 128), 16, 32 and 48 pixels
#   idle.ico     idle icon (resource 137)
#   mascot_rest.bmp, mascot_blink.bmp, mascot_answer.bmp   the mascot's
#                three pictures (140-142), 100 x 80, 8 bits per pixel
#   default.wav  the alarm's short chime, shipped beside KORVEX.exe
# Needs ImageMagick (convert) and python3.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

# --- the mascot: a small round robot looking out of the corner of the screen ---
open_eyes=(-fill '#1d2f44' -draw "circle 40,36 40,41" -draw "circle 60,36 60,41"
           -fill white -draw "circle 41,34 41,35.5" -draw "circle 61,34 61,35.5")
shut_eyes=(-stroke '#1d2f44' -strokewidth 3 -draw "line 35,37 45,37" -draw "line 55,37 65,37"
           -stroke none)
calm_mouth=(-fill '#1d2f44' -draw "roundrectangle 42,54 58,57 1,1")
happy_mouth=(-fill '#1d2f44' -draw "ellipse 50,54 9,5 0,180"
             -fill '#e86a5c' -draw "ellipse 50,56 4,2 0,180")
face() {  # face OUTPUT ANTENNA-COLOUR DRAWING...
  local out=$1 antenna=$2
  shift 2
  convert -size 100x80 xc:'#dfe7ee' \
    -fill '#c7d3de' -draw "rectangle 0,68 99,79" \
    -stroke '#2b4a6b' -strokewidth 2 -fill '#7a8ea3' -draw "line 50,6 50,16" \
    -stroke none -fill "$antenna" -draw "circle 50,6 50,10" \
    -stroke '#2b4a6b' -strokewidth 2 -fill '#4f86c6' -draw "roundrectangle 22,16 78,66 14,14" \
    -fill '#3b6fae' -draw "roundrectangle 14,32 22,50 3,3" -draw "roundrectangle 78,32 86,50 3,3" \
    -stroke none -fill '#eaf2fa' -draw "roundrectangle 29,24 71,48 8,8" \
    "$@" \
    -fill '#2b4a6b' -draw "rectangle 36,66 64,70" \
    -type Palette -depth 8 -colors 64 -compress none BMP3:"$out"
}
face mascot_rest.bmp '#9fb3c6' "${open_eyes[@]}" "${calm_mouth[@]}"
face mascot_blink.bmp '#9fb3c6' "${shut_eyes[@]}" "${calm_mouth[@]}"
face mascot_answer.bmp '#ffcf3f' "${open_eyes[@]}" "${happy_mouth[@]}"

# --- the icons: the robot's head; the idle one greyed ---
icon() {  # icon OUTPUT BODY SCREEN LIGHT
  local out=$1 body=$2 screen=$3 light=$4 sizes=()
  for size in 48 32 16; do
    convert -size 48x48 xc:none \
      -stroke '#1d2f44' -strokewidth 2 -draw "line 24,3 24,10" -stroke none \
      -fill "$light" -draw "circle 24,4 24,7" \
      -stroke '#1d2f44' -strokewidth 2 -fill "$body" -draw "roundrectangle 6,10 42,44 9,9" \
      -stroke none -fill "$screen" -draw "roundrectangle 11,16 37,32 5,5" \
      -fill '#1d2f44' -draw "circle 18,24 18,27" -draw "circle 30,24 30,27" \
      -draw "roundrectangle 17,36 31,39 1,1" \
      -resize ${size}x${size} "icon_$size.png"
    sizes+=("icon_$size.png")
  done
  convert "${sizes[@]}" "$out"
  rm -f "${sizes[@]}"
}
icon korvex.ico '#4f86c6' '#eaf2fa' '#ffcf3f'
icon idle.ico '#9aa5b1' '#e4e8ec' '#c9cfd6'

# --- the alarm: two soft tones, 0.6 s, 16-bit mono ---
python3 - <<'PY'
import math, struct, wave
rate = 22050
frames = bytearray()
for freq, start, length in ((880.0, 0.0, 0.25), (659.25, 0.25, 0.35)):
    n = int(rate * length)
    for i in range(n):
        t = i / rate
        envelope = min(1.0, t / 0.01) * math.exp(-4.0 * t / length)
        value = 0.45 * envelope * math.sin(2 * math.pi * freq * t)
        frames += struct.pack('<h', int(value * 32767))
with wave.open('default.wav', 'wb') as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes(bytes(frames))
PY
