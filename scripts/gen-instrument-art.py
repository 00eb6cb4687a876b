#!/usr/bin/env python3
"""Draws the layers of the attitude and heading instruments as SVG files.

Every layer is 240 x 240 user units with its centre of rotation at (120, 120); the attitude face moves
1.7 units per degree of pitch, so its pitch ladder is drawn at that spacing. Run from the repository
root; it rewrites resources/images/adi/*.svg and resources/images/hsi/*.svg.
"""
import math
import os

SIZE = 240
C = 120
PITCH_UNITS_PER_DEG = 1.7

SKY = "#2f7fd0"
GROUND = "#8a5a2b"
HORIZON = "#ffffff"
MARK = "#ffffff"
AIRCRAFT = "#ffcc00"
BEZEL = "#2b2b2b"
BEZEL_EDGE = "#5a5a5a"
CARD = "#1a1a1a"
PLANE = "#ff8c00"
NORTH = "#e03030"


def svg(body):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" '
            f'viewBox="0 0 {SIZE} {SIZE}">\n{body}</svg>\n')


def polar(r, deg):
    """Point at radius r and bearing deg (0 = up, clockwise)."""
    a = math.radians(deg)
    return C + r * math.sin(a), C - r * math.cos(a)


def line(x1, y1, x2, y2, color, width):
    return (f'  <line x1="{x1:.2f}" y1="{y1:.2f}" x2="{x2:.2f}" y2="{y2:.2f}" '
            f'stroke="{color}" stroke-width="{width}" stroke-linecap="round"/>\n')


def bezel(inner):
    # An annulus from the inner radius to the edge, drawn as one path with the even-odd rule.
    return (f'  <path fill="{BEZEL}" fill-rule="evenodd" d="M 0 0 H {SIZE} V {SIZE} H 0 Z '
            f'M {C - inner} {C} A {inner} {inner} 0 1 0 {C + inner} {C} A {inner} {inner} 0 1 0 {C - inner} {C} Z"/>\n'
            f'  <circle cx="{C}" cy="{C}" r="{inner}" fill="none" stroke="{BEZEL_EDGE}" stroke-width="2"/>\n'
            f'  <circle cx="{C}" cy="{C}" r="118" fill="none" stroke="{BEZEL_EDGE}" stroke-width="2"/>\n')


def adi_back():
    # Sky above, ground below the centre line: what shows around the face when it is shifted.
    return svg(f'  <rect x="0" y="0" width="{SIZE}" height="{C}" fill="{SKY}"/>\n'
               f'  <rect x="0" y="{C}" width="{SIZE}" height="{C}" fill="{GROUND}"/>\n')


def adi_face():
    body = (f'  <rect x="0" y="0" width="{SIZE}" height="{C}" fill="{SKY}"/>\n'
            f'  <rect x="0" y="{C}" width="{SIZE}" height="{C}" fill="{GROUND}"/>\n'
            + line(0, C, SIZE, C, HORIZON, 2))
    # Pitch ladder: every 5 degrees, long bars at 10 and 20 degrees.
    for deg in (5, 10, 15, 20, 25):
        half = 20 if deg % 10 == 0 else 10
        for sign in (-1, 1):
            y = C - sign * deg * PITCH_UNITS_PER_DEG
            body += line(C - half, y, C + half, y, MARK, 1.5)
    return svg(body)


def adi_ring():
    # Roll scale: ticks at 0, 10, 20, 30, 45 and 60 degrees each side and a pointer at the top.
    body = ""
    for deg in (10, 20, 30, 45, 60):
        length = 10 if deg in (30, 60) else 6
        for sign in (-1, 1):
            x1, y1 = polar(88, sign * deg)
            x2, y2 = polar(88 - length, sign * deg)
            body += line(x1, y1, x2, y2, MARK, 2)
    x1, y1 = polar(88, 0)
    body += (f'  <polygon points="{C},{y1 + 12:.2f} {C - 6},{y1:.2f} {C + 6},{y1:.2f}" '
             f'fill="{MARK}"/>\n')
    return svg(body)


def adi_case():
    body = bezel(88)
    # Fixed roll reference at the top of the bezel.
    body += f'  <polygon points="{C},{C - 88} {C - 7},{C - 100} {C + 7},{C - 100}" fill="{AIRCRAFT}"/>\n'
    # Fixed aircraft: two wing bars with their tips bent down and a centre dot.
    for sign in (-1, 1):
        x_in, x_out = C + sign * 22, C + sign * 62
        body += (f'  <polyline points="{x_out},{C} {x_in},{C} {x_in},{C + 8}" fill="none" '
                 f'stroke="{AIRCRAFT}" stroke-width="4" stroke-linejoin="round"/>\n')
    body += f'  <circle cx="{C}" cy="{C}" r="3" fill="{AIRCRAFT}"/>\n'
    return svg(body)


LETTERS = {
    # Stroke letters on a 10 x 14 grid centred on the origin, drawn with lines so no font is needed.
    "N": [(-4, 7), (-4, -7), (4, 7), (4, -7)],
    "E": [(4, -7), (-4, -7), (-4, 7), (4, 7), None, (-4, 0), (2, 0)],
    "S": [(4, -7), (-4, -7), (-4, 0), (4, 0), (4, 7), (-4, 7)],
    "W": [(-5, -7), (-2.5, 7), (0, -1), (2.5, 7), (5, -7)],
}


def letter(ch, deg, r, color):
    cx, cy = polar(r, deg)
    a = math.radians(deg)
    cos_a, sin_a = math.cos(a), math.sin(a)
    out, points = "", []

    def flush():
        if len(points) > 1:
            pts = " ".join(f"{x:.2f},{y:.2f}" for x, y in points)
            return (f'  <polyline points="{pts}" fill="none" stroke="{color}" stroke-width="2" '
                    f'stroke-linejoin="round" stroke-linecap="round"/>\n')
        return ""

    for p in LETTERS[ch]:
        if p is None:
            out += flush()
            points = []
            continue
        x, y = p
        points.append((cx + x * cos_a - y * sin_a, cy + x * sin_a + y * cos_a))
    return out + flush()


def hsi_face():
    body = f'  <circle cx="{C}" cy="{C}" r="100" fill="{CARD}"/>\n'
    for deg in range(0, 360, 5):
        length = 10 if deg % 30 == 0 else (7 if deg % 10 == 0 else 4)
        x1, y1 = polar(98, deg)
        x2, y2 = polar(98 - length, deg)
        body += line(x1, y1, x2, y2, MARK, 2 if deg % 30 == 0 else 1)
    for ch, deg in (("N", 0), ("E", 90), ("S", 180), ("W", 270)):
        body += letter(ch, deg, 76, NORTH if ch == "N" else MARK)
    return svg(body)


def hsi_case():
    body = bezel(100)
    # Fixed lubber mark at the top.
    body += f'  <polygon points="{C},{C - 98} {C - 7},{C - 112} {C + 7},{C - 112}" fill="{MARK}"/>\n'
    return svg(body)


def hsi_plane():
    # Aircraft seen from above, nose up; the layer turns by the heading.
    body = line(C, C + 40, C, C - 62, PLANE, 5)
    body += line(C - 34, C - 4, C + 34, C - 4, PLANE, 6)
    body += line(C - 14, C + 36, C + 14, C + 36, PLANE, 4)
    body += f'  <polygon points="{C},{C - 72} {C - 7},{C - 58} {C + 7},{C - 58}" fill="{PLANE}"/>\n'
    return svg(body)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "images")
    layers = {
        "adi/adi_back.svg": adi_back(),
        "adi/adi_face.svg": adi_face(),
        "adi/adi_ring.svg": adi_ring(),
        "adi/adi_case.svg": adi_case(),
        "hsi/hsi_face.svg": hsi_face(),
        "hsi/hsi_case.svg": hsi_case(),
        "hsi/hsi_plane.svg": hsi_plane(),
    }
    for name, text in layers.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)


if __name__ == "__main__":
    main()
