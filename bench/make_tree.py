#!/usr/bin/env python3
"""Generates a tree of FILES files spread over FOLDERS folders (two levels deep)."""
import os
import sys


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: make_tree.py ROOT FILES FOLDERS")
    root, files, folders = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    per_folder = max(1, files // folders)
    top = max(1, int(folders ** 0.5))
    made = 0
    for i in range(folders):
        d = os.path.join(root, "d%04d" % (i % top), "sub%06d" % i)
        os.makedirs(d, exist_ok=True)
        for j in range(per_folder):
            if made >= files:
                break
            with open(os.path.join(d, "file_%06d_%d.dat" % (made, j)), "wb") as f:
                f.write(b"x" * (made % 97))
            made += 1
    print("%d files in %d folders under %s" % (made, folders, root))


if __name__ == "__main__":
    main()
