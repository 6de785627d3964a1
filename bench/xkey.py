#!/usr/bin/env python3
"""Presses and releases one key on the X display through the XTest extension, and prints the
moment (seconds since the epoch) just before the key went down: the benchmarks' "Enter" time.
Unlike a separately started xdotool, nothing but this call lies between the time taken and the
key reaching the X server.

    xkey.py KEYSYM        e.g. xkey.py Return
"""
import ctypes
import ctypes.util
import sys
import time


def main():
    keysym_name = sys.argv[1].encode() if len(sys.argv) > 1 else b"Return"
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.restype = ctypes.c_ubyte
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("xkey: cannot open the display")
    keycode = x11.XKeysymToKeycode(display, x11.XStringToKeysym(keysym_name))
    if keycode == 0:
        sys.exit(f"xkey: no key for {keysym_name.decode()}")
    pressed = time.time()
    xtst.XTestFakeKeyEvent(display, keycode, 1, 0)
    x11.XFlush(display)
    xtst.XTestFakeKeyEvent(display, keycode, 0, 0)
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)
    print(f"{pressed:.6f}")


if __name__ == "__main__":
    main()
