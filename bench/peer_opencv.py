#!/usr/bin/python3
"""The conversion as a user would script it with OpenCV instead: read, 3x3 box
blur where the image is reduced by 2 or more, one bilinear warpAffine, write.
Not exact in our sense (OpenCV places samples on a 1/32 grid); it is here only
as a yardstick for speed.

usage: peer_opencv.py IN_DIR OUT_DIR COUNT WxH OUTWxOUTH L,T,R,B CX,CY ANGLE THREADS
"""
import math
import os
import sys
from concurrent.futures import ThreadPoolExecutor

import cv2
import numpy as np


def main():
    in_dir, out_dir, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    w, h = map(int, sys.argv[4].split("x"))
    ow, oh = map(int, sys.argv[5].split("x"))
    left, top, right, bottom = map(int, sys.argv[6].split(","))
    cx, cy = map(int, sys.argv[7].split(","))
    angle, threads = float(sys.argv[8]), int(sys.argv[9])
    sx, sy = (right - left) / ow, (bottom - top) / oh
    c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    # Output pixel (j, i) samples the source at the rotated grid point.
    m = np.array([[c * sx, -s * sy, c * (left - cx) - s * (top - cy) + cx],
                  [s * sx, c * sy, s * (left - cx) + c * (top - cy) + cy]])
    direct = sx == 1 and sy == 1 and angle == 0
    blur = sx >= 2 or sy >= 2
    cv2.setNumThreads(1)

    def convert(k):
        image = np.fromfile(os.path.join(in_dir, "raw.%04d" % k), dtype="<i2").reshape(h, w)
        if direct:
            out = image[top:bottom, left:right]
        else:
            if blur:
                image = cv2.blur(image, (3, 3))
            out = cv2.warpAffine(image, m, (ow, oh),
                                 flags=cv2.INTER_LINEAR | cv2.WARP_INVERSE_MAP)
        out.astype("<i2").tofile(os.path.join(out_dir, "out.%04d" % k))

    with ThreadPoolExecutor(threads) as pool:
        list(pool.map(convert, range(count)))


if __name__ == "__main__":
    main()
