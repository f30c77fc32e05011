#!/usr/bin/python3
"""A gLabels project opened in the real program under a real X server:

  1. `velmo people.glabels` (gzip-compressed, its merge data beside it, a mirrored box
     and a missing picture among its objects) opens it as a new untitled document;
  2. what could not be carried over shows once, as one list ("gLabelsプロジェクトの
     読み込み"), and the window behind it holds the imported design;
  3. 保存 (Ctrl+S) asks for a name, as for any untitled document, and the saved work
     file holds the design (velmo-tool get-label) and the merge link (velmo-tool info);
  4. semicolon-separated merge data chosen as such in the merge file dialog's list of
     kinds: the choice is saved with the work file (velmo-tool dump of its settings).

usage: glabels_window_xvfb.py BUILD_DIR [SCREENSHOT_DIR]
"""
import gzip
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_sandbox import desktop_sandbox  # noqa: E402
from main_window_xvfb import Session, TOOL, fail  # noqa: E402
from xvfb_server import seconds  # noqa: E402

PROJECT = """<?xml version="1.0"?>
<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">
  <Template brand="Test" part="A4-2x4" size="A4" description="Eight labels">
    <Label-rectangle id="0" width="90mm" height="60mm" round="2mm">
      <Layout nx="2" ny="4" x0="10mm" y0="20mm" dx="100mm" dy="65mm"/>
    </Label-rectangle>
  </Template>
  <Objects id="0" rotate="False">
    <Object-box x="5mm" y="5mm" w="30mm" h="20mm" line_width="1mm" line_color="0xcc0000ff" fill_color="0x3366ffff" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
    <Object-ellipse x="40mm" y="5mm" w="20mm" h="20mm" line_width="0.5mm" line_color="0x008800ff" fill_color="0xffee00ff" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
    <Object-box x="65mm" y="5mm" w="10mm" h="10mm" line_width="0.5mm" line_color="0x000000ff" a0="-1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
    <Object-text x="5mm" y="30mm" w="0" h="0" justify="Left" valign="Top" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span font_family="Sans" font_size="14" font_weight="Bold" color="0x000000ff">Dear <Field name="name"/></Span>
    </Object-text>
    <Object-text x="5mm" y="40mm" w="0" h="0" justify="Left" valign="Top" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span font_family="Sans" font_size="10" color="0x444444ff">${city}</Span>
    </Object-text>
    <Object-barcode x="62mm" y="30mm" w="25mm" h="25mm" style="IEC18004" backend="libqrencode" field="name" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
    <Object-image x="75mm" y="5mm" w="10mm" h="10mm" src="logo-not-here.png" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
  </Objects>
  <Merge type="Text/Comma/Line1Keys" src="people.csv"/>
  <Data/>
</Glabels-document>
"""


def main():
    with desktop_sandbox("velmo-glabels-xvfb-") as box:
        project = os.path.join(box.home, "people.glabels")
        with gzip.open(project, "wt", encoding="utf-8") as f:
            f.write(PROJECT)
        with open(os.path.join(box.home, "people.csv"), "w", encoding="utf-8") as f:
            f.write("name,city\nTaro,Tokyo\nHanako,Osaka\n")
        s = box.track(Session(box.env, box.work))
        s.start(project)
        dialog = s.need("gLabelsプロジェクトの読み込み", "the list of what was not carried over", 30)
        time.sleep(seconds(0.8))
        s.shot("01-glabels-warnings")
        if len(s.xdo("search", "--onlyvisible", "--name", "gLabelsプロジェクトの読み込み").split()) != 1:
            fail("more than one notice window")
        s.keys("Return")
        if not s.gone("gLabelsプロジェクトの読み込み"):
            fail("the notice stayed open")
        w = s.main_window()
        time.sleep(seconds(1.0))
        title = s.xdo("getwindowname", w["id"]).strip()
        if "新規作成" not in title:
            fail("the imported project is not an untitled document: %r" % title)
        s.shot("02-glabels-imported")
        s.focus()
        s.keys("ctrl+s")
        target = os.path.join(box.home, "people-imported")
        s.file_dialog("名前を付けて保存", target, "save")
        lbd = target + ".lbd"
        if not os.path.isfile(lbd):
            fail("no work file after saving")
        design = subprocess.run([TOOL, "get-label", lbd, "0", "0"], capture_output=True, encoding="utf-8").stdout
        for kind in ("TLORect", "TLOCircle", "TLOInsText", "TLOInsZintBarCode", "TLOVelmoImage"):
            if "object " + kind not in design:
                fail("the saved design lacks %s" % kind)
        info = subprocess.run([TOOL, "info", lbd], capture_output=True, encoding="utf-8").stdout
        if "people.csv" not in info:
            fail("the merge link was not saved:\n" + info)
        s.shot("03-glabels-saved")

        # Semicolon-separated data whose first line would say comma: chosen as such
        # in the file dialog's list of kinds, the choice is kept in the work file.
        semi = os.path.join(box.home, "semi.txt")
        with open(semi, "w", encoding="utf-8") as f:
            f.write("name, title;city\nTaro, Jr.;Tokyo\n")
        s.focus()
        s.keys("alt+f", "m", "f")  # 差し込みデータ(M) > CSVファイルの選択(F)
        s.need("CSVファイルの選択", "the merge file dialog")
        s.keys("ctrl+a")
        s.type(semi)
        s.keys("Tab")  # the list of kinds
        s.keys("Down", "Down", "Down")  # セミコロン区切りテキスト
        time.sleep(seconds(0.3))
        s.shot("04-merge-file-kinds")
        s.keys("shift+Tab", "Return")
        if not s.gone("CSVファイルの選択", 10):
            s.shot("stuck-merge-file")
            fail("the merge file dialog did not close")
        time.sleep(seconds(0.8))
        s.shot("05-semicolon-linked")
        s.focus()
        s.keys("ctrl+s")
        time.sleep(seconds(1.0))
        info = subprocess.run([TOOL, "dump", lbd, "Sheets/NameList0/Info"], capture_output=True,
                              encoding="utf-8").stdout
        if "semi.txt" not in info or "CSVSeparator = 59" not in info:
            fail("the chosen separator was not kept:\n" + info)
        s.focus()
        s.keys("alt+f", "x")
        s.wait_ended()
        print("PASS")


if __name__ == "__main__":
    main()
