#!/usr/bin/python3
"""The typical batch job timed: name badges (2 x 4 labels of 85.7 x 59.3 mm on A4),
two merge texts and a Code 39 merge barcode, CSV files of the given record counts
printed to PDF with velmo-tool print --merge. Prints wall time and peak memory (the
child's maximum resident set) per size. Not part of the test run (it takes minutes).

usage: merge_benchmark.py BUILD_DIR [COUNT ...]   (default 1000 10000 100000)
"""
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

TEMPLATE = """<?xml version="1.0"?>
<Glabels-templates>
  <Template brand="Bench" part="NB-8" size="A4" description="name badges">
    <Meta category="label"/>
    <Label-rectangle id="0" width="85.7mm" height="59.3mm" round="0mm" x_waste="0mm" y_waste="0mm">
      <Markup-margin size="0mm"/>
      <Layout nx="2" ny="4" x0="19.3mm" y0="29.9mm" dx="85.7mm" dy="59.3mm"/>
    </Label-rectangle>
  </Template>
</Glabels-templates>
"""

DESIGN = """object TLDObjects
  object TLOInsText
    Left = 40
    Top = 40
    Width = 600
    Height = 100
    Text.Strings = (
      'x')
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clBlack
    Font.Name = 'IPAPGothic'
    Font.Size = 20
    Font.Style = []
    AutoSize = True
    InsertionField = 0
  end
  object TLOInsText
    Left = 40
    Top = 180
    Width = 600
    Height = 60
    Text.Strings = (
      'x')
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clBlack
    Font.Name = 'IPAPGothic'
    Font.Size = 10
    Font.Style = []
    AutoSize = True
    InsertionField = 1
  end
  object TLOInsBarCode
    Left = 40
    Top = 300
    Width = 700
    Height = 220
    Angle = 0
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clBlack
    Font.Name = 'IPAPGothic'
    Font.Size = 9
    Font.Style = []
    ShowNumber = True
    ShowFrame = False
    BarKind = 1
    AddCheckDigit = False
    ElementRatio = 250
    InsertionField = 2
  end
end
"""

SURNAMES = ["佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤"]
GIVEN = ["太郎", "花子", "一郎", "美咲", "健太", "さくら", "翔", "陽菜", "大輔", "結衣"]


def run(args, **kw):
    r = subprocess.run(args, capture_output=True, **kw)
    if r.returncode != 0:
        raise SystemExit("failed: %s\n%s" % (" ".join(args), r.stderr.decode(errors="replace")))
    return r


def main():
    build = os.path.abspath(sys.argv[1])
    counts = [int(c) for c in sys.argv[2:]] or [1000, 10000, 100000]
    tool = os.path.join(build, "src", "velmo-tool")
    tmp = tempfile.mkdtemp(prefix="merge-bench-")
    try:
        xml = os.path.join(tmp, "badge.xml")
        with open(xml, "w") as f:
            f.write(TEMPLATE)
        ppr = os.path.join(tmp, "badge.ppr")
        run([tool, "import-templates", "--catalogue", ppr, xml])
        work = os.path.join(tmp, "badge.lbd")
        run([tool, "new", "--paper-file", ppr, "Papers/$00000001", work])
        design = os.path.join(tmp, "design.txt")
        with open(design, "w") as f:
            f.write(DESIGN)
        for position in range(8):
            run([tool, "put-label", work, "0", str(position), design])
        print("records\tpages\twall s\tCPU s\tpeak MiB\tPDF MiB\tCPU ms/label")
        for n in counts:
            csv = os.path.join(tmp, "badges-%d.csv" % n)
            with open(csv, "w", encoding="cp932", newline="") as f:
                f.write("氏名,所属,番号\r\n")
                for k in range(n):
                    f.write("%s %s,第%d営業部 株式会社ベンチ,NB%07d\r\n"
                            % (SURNAMES[k % 10], GIVEN[(k // 10) % 10], k % 97 + 1, k))
            copies = (n + 7) // 8  # what --copies all prints
            pdf = os.path.join(tmp, "out-%d.pdf" % n)
            # Each size in its own process: the peak is that run's alone.
            probe = ("import resource,subprocess,sys,time;t=time.time();"
                     "r=subprocess.run(sys.argv[1:],capture_output=True);"
                     "w=time.time()-t;"
                     "u=resource.getrusage(resource.RUSAGE_CHILDREN);"
                     "print(r.returncode,w,u.ru_maxrss,u.ru_utime+u.ru_stime);"
                     "sys.stderr.write(r.stderr.decode(errors='replace'))")
            r = subprocess.run([sys.executable, "-c", probe, tool, "print", work, "--copies", "all",
                                "--merge", csv, "--header", "--pdf", pdf], capture_output=True)
            code, wall, rss, cpu = r.stdout.decode().split()
            if code != "0":
                raise SystemExit("print failed for %d records:\n%s" % (n, r.stderr.decode(errors="replace")))
            size = os.path.getsize(pdf) / 1048576
            print("%d\t%d\t%.1f\t%.1f\t%.1f\t%.1f\t%.2f" % (n, copies, float(wall), float(cpu), int(rss) / 1024,
                                                         size, float(cpu) * 1000 / (copies * 8)), flush=True)
            os.remove(pdf)
            os.remove(csv)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
