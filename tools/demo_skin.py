"""The demo medium's skin: product-looking bitmaps drawn with ImageMagick,
with the entry names and explanations written in the skin's language."""
import subprocess
from pathlib import Path

FONT_CANDIDATES = [
    "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
    "/usr/share/fonts/wqy-microhei/wqy-microhei.ttc",
]

# Per language: the five entries and exit as the main menu shows them, the
# product line under the title, and what the content panel says for the
# welcome view and each of the first four entries.
LABELS = {
    "KOREAN": {
        "entries": ["설명서 보기", "바이러스 검사", "클라이언트 설치", "서버 설치", "CD 내용 보기"],
        "exit": "종료",
        "tagline": "Sentova 백신 통합 관리 서버",
        "content": {
            "ContentEmpty.bmp": ("KTR 설치 CD", "오른쪽 메뉴에서 원하는 작업을 선택하십시오."),
            "ContentManual.bmp": ("설명서", "KTR 서버와 클라이언트의 설치 방법과 사용법을 안내하는 설명서를 엽니다."),
            "ContentSnScan.bmp": ("바이러스 검사", "간편 검사기를 내려받아 이 컴퓨터를 지금 검사합니다."),
            "ContentInstallClient.bmp": ("클라이언트 설치", "관리할 컴퓨터에 KTR 클라이언트 에이전트를 설치합니다. 기본 설치, 사용자 설치 파일, Ghost 이미지용 설치 중에서 고를 수 있습니다."),
            "ContentInstallServer.bmp": ("서버 설치", "Sentova 백신 제품군을 한곳에서 관리하는 KTR 관리 서버를 설치합니다."),
        },
    },
    "ENGLISH": {
        "entries": ["View manual", "Virus scan", "Install client", "Install server", "Browse CD"],
        "exit": "Exit",
        "tagline": "Management server for Sentova antivirus",
        "content": {
            "ContentEmpty.bmp": ("KTR installation CD", "Choose a task from the menu on the right."),
            "ContentManual.bmp": ("Manual", "Opens the manual: how to install the KTR server and its clients, and how to use them."),
            "ContentSnScan.bmp": ("Virus scan", "Downloads the lightweight scanner and checks this computer now."),
            "ContentInstallClient.bmp": ("Install client", "Installs the KTR client agent on a computer to be managed by the KTR server."),
            "ContentInstallServer.bmp": ("Install server", "Installs the KTR management server that looks after every Sentova antivirus product in one place."),
        },
    },
    "JAPANESE": {
        "entries": ["マニュアル", "ウイルス検査", "クライアントのインストール", "サーバーのインストール", "CD の内容を表示"],
        "exit": "終了",
        "tagline": "Sentova ウイルス対策 統合管理サーバー",
        "content": {
            "ContentEmpty.bmp": ("KTR インストール CD", "右のメニューから作業を選んでください。"),
            "ContentManual.bmp": ("マニュアル", "KTR サーバーとクライアントのインストール方法と使い方を説明するマニュアルを開きます。"),
            "ContentSnScan.bmp": ("ウイルス検査", "簡易スキャナーをダウンロードして、このコンピューターを今すぐ検査します。"),
            "ContentInstallClient.bmp": ("クライアントのインストール", "管理するコンピューターに KTR クライアント エージェントをインストールします。"),
            "ContentInstallServer.bmp": ("サーバーのインストール", "Sentova 製品を一か所で管理する KTR 管理サーバーをインストールします。"),
        },
    },
    "CHINESE": {
        "entries": ["查看手册", "病毒扫描", "安装客户端", "安装服务器", "浏览光盘"],
        "exit": "退出",
        "tagline": "Sentova 防病毒统一管理服务器",
        "content": {
            "ContentEmpty.bmp": ("KTR 安装光盘", "请从右侧菜单中选择要执行的操作。"),
            "ContentManual.bmp": ("使用手册", "打开介绍 KTR 服务器和客户端安装及使用方法的手册。"),
            "ContentSnScan.bmp": ("病毒扫描", "下载轻量扫描程序，立即扫描此计算机。"),
            "ContentInstallClient.bmp": ("安装客户端", "在需要管理的计算机上安装 KTR 客户端代理。"),
            "ContentInstallServer.bmp": ("安装服务器", "安装统一管理所有 Sentova 防病毒产品的 KTR 管理服务器。"),
        },
    },
}

NAVY = "#14305c"
BLUE = "#2a5ea8"
PANEL = "#e8eef7"
ACCENT = "#f2a900"


def font():
    for candidate in FONT_CANDIDATES:
        if Path(candidate).exists():
            return candidate
    raise SystemExit("no CJK font: install fonts-wqy-microhei (scripts/setup.sh)")


def convert(args, out):
    out.parent.mkdir(parents=True, exist_ok=True)
    # BMP3 with TrueColor and no alpha: a plain 24-bit Windows bitmap.
    subprocess.run(["convert", *args, "-alpha", "off", "-type", "TrueColor", "BMP3:" + str(out)],
                   check=True, timeout=120, stdin=subprocess.DEVNULL)


def text(size, colour, x, y, words, gravity="NorthWest"):
    return ["-gravity", gravity, "-pointsize", str(size), "-fill", colour,
            "-annotate", "+%d+%d" % (x, y), words]


def background(out, width, height, labels):
    f = font()
    args = ["-size", "%dx%d" % (width, height), "gradient:%s-%s" % (NAVY, BLUE), "-font", f]
    # The panel behind the entries, wide enough for the Ghost window's
    # three short buttons (414 to 637), and the frame of the content panel.
    args += ["-fill", PANEL, "-draw", "roundrectangle 410,126 646,328 8,8"]
    # Light, because the client installation menu and the Ghost window draw
    # their black description labels right here, where the main menu shows
    # its content picture.
    args += ["-fill", PANEL, "-draw", "rectangle 40,136 406,287"]
    args += ["-fill", ACCENT, "-draw", "rectangle 0,96 %d,97" % width]
    args += text(40, "white", 40, 22, "KTR")
    args += text(15, "#cfe0ff", 132, 44, labels["tagline"])
    args += text(11, "#9fb6d9", 40, 304, "Sentova  |  KTR 2.0")
    convert(args, out)


# The text of the entry buttons and the content panel's explanation.
LABEL_SIZE = 12
SMALLEST_LABEL_SIZE = 9
BODY_SIZE = 12
BODY_LINE = 19
LABEL_LEFT = 10
LABEL_RIGHT = 6
ACTIVE_MARKER = "▶ "
# Characters that may not begin a line (Japanese and Chinese rules), and
# those that may not end one.
NO_LINE_START = set("。、，．,.!?！？:：;；)）」』】〕ー・…%")
NO_LINE_END = set("(（「『【〔")


def measure(strings, size):
    """The width in pixels of each string, drawn in the skin's font."""
    if not strings:
        return []
    args = ["convert", "-font", font(), "-pointsize", str(size)]
    # label: reads "%" as the start of an escape and "@" as a file name.
    args += ["label:" + (" " if s.startswith("@") else "") + s.replace("%", "%%")
             for s in strings]
    found = subprocess.run(args + ["-format", "%w\n", "info:"], check=True, timeout=120,
                           capture_output=True, text=True, stdin=subprocess.DEVNULL)
    return [int(width) for width in found.stdout.split()]


def _ideographic(ch):
    """Han, kana and CJK punctuation: a line may break beside them. Hangul is
    not among them, as Korean breaks between words."""
    code = ord(ch)
    return (0x2E80 <= code <= 0x9FFF or 0xF900 <= code <= 0xFAFF or 0xFF00 <= code <= 0xFFEF) \
        and not 0x3130 <= code <= 0x318F


def break_points(text):
    """The lengths of text's prefixes after which a line may end."""
    points = []
    for i in range(1, len(text)):
        before, after = text[i - 1], text[i]
        if after == " " or after in NO_LINE_START or before in NO_LINE_END:
            continue
        if before == " " or _ideographic(before) or _ideographic(after):
            points.append(i)
    points.append(len(text))
    return points


def wrap(text, width, size):
    """Lines of text no wider than width where the language allows a break:
    at blanks, and beside ideographs and kana (caption: breaks only at
    blanks, which leaves a Latin word alone on a Japanese line)."""
    lines = []
    rest = text.strip()
    while rest:
        points = break_points(rest)
        widths = measure([rest[:p].rstrip() for p in points], size)
        fitting = [p for p, w in zip(points, widths) if w <= width]
        end = fitting[-1] if fitting else points[0]
        lines.append(rest[:end].rstrip())
        rest = rest[end:].lstrip()
    return lines


def label_size(label, width):
    """The largest size up to LABEL_SIZE at which the highlighted form of a
    label (with its marker) fits its button."""
    room = width - LABEL_LEFT - LABEL_RIGHT
    sizes = range(LABEL_SIZE, SMALLEST_LABEL_SIZE - 1, -1)
    for size in sizes:
        if measure([ACTIVE_MARKER + label], size)[0] <= room:
            return size
    return SMALLEST_LABEL_SIZE


def button(out, width, height, label, active, exit_button=False, size=LABEL_SIZE):
    f = font()
    if exit_button and not active:
        top, bottom = ("#b7412f", "#86261a")
    else:
        # Every highlighted entry, exit too, turns the accent colour.
        top, bottom = (ACCENT, "#d98200") if active else ("#3f78c8", "#2558a0")
    args = ["-size", "%dx%d" % (width, height), "gradient:%s-%s" % (top, bottom), "-font", f]
    args += ["-fill", "none", "-stroke", "#ffffff" if active else "#1c3f73",
             "-draw", "rectangle 0,0 %d,%d" % (width - 1, height - 1), "-stroke", "none"]
    if label:
        colour = "#1b1b1b" if active else "white"
        marker = ACTIVE_MARKER if active and not exit_button else ""
        args += text(size, colour, 0 if exit_button else LABEL_LEFT, 0, marker + label,
                     "Center" if exit_button else "West")
    convert(args, out)


def content(out, width, height, title, body):
    f = font()
    args = ["-size", "%dx%d" % (width, height), "gradient:#ffffff-#dde7f5", "-font", f]
    args += ["-fill", ACCENT, "-draw", "rectangle 0,0 5,%d" % height]
    args += text(17, NAVY, 20, 14, title)
    args += ["-fill", "#b8c8e0", "-draw", "rectangle 20,44 %d,45" % (width - 20)]
    for number, line in enumerate(wrap(body, width - 40, BODY_SIZE)):
        args += text(BODY_SIZE, "#25374f", 20, 54 + number * BODY_LINE, line)
    convert(args, out)


def draw(skin_dir, language, texts, bitmaps):
    """Writes the language's 22 skin bitmaps into skin_dir."""
    labels = LABELS[language.name]
    entries = labels["entries"]
    for file, width, height in bitmaps:
        out = Path(skin_dir) / file
        if file == "BackgroundEmpty.bmp":
            background(out, width, height, labels)
        elif file in labels["content"]:
            content(out, width, height, *labels["content"][file])
        elif file.startswith("ButtonExit"):
            button(out, width, height, labels["exit"], file.endswith("Act.bmp"), exit_button=True)
        elif file.startswith("ButtonAct"):
            label = entries[int(file[9]) - 1]
            button(out, width, height, label, True, size=label_size(label, width))
        elif file.startswith("Button") and file[6].isdigit():
            # The size of the highlighted form, so that the text stays put.
            label = entries[int(file[6]) - 1]
            button(out, width, height, label, False, size=label_size(label, width))
        else:  # the blank buttons that the other windows label themselves
            button(out, width, height, "", "Act" in file)
