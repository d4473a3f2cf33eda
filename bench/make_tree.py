#!/usr/bin/env python3
"""Generates a tree of FILES files spread over FOLDERS folders (two levels deep).

Every tenth file has a Japanese name (one of twenty words before the number),
so two-character Japanese queries have something to find."""
import os
import sys

WORDS = ["写真", "旅行", "会議", "資料", "報告", "夏休み", "家族", "音楽", "動画", "請求書",
         "見積", "議事録", "カメラ", "東京", "大阪", "結婚式", "卒業", "運動会", "設計", "契約"]


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
            if made % 10 == 0:
                name = "%s_%06d_%d.dat" % (WORDS[(made // 10) % len(WORDS)], made, j)
            else:
                name = "file_%06d_%d.dat" % (made, j)
            with open(os.path.join(d, name), "wb") as f:
                f.write(b"x" * (made % 97))
            made += 1
    print("%d files in %d folders under %s" % (made, folders, root))


if __name__ == "__main__":
    main()
