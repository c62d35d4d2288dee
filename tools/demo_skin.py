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
    # The menu's panel behind the entries and the frame of the content panel.
    args += ["-fill", PANEL, "-draw", "roundrectangle 420,126 628,328 8,8"]
    # Light, because the client installation menu and the Ghost window draw
    # their black description labels right here, where the main menu shows
    # its content picture.
    args += ["-fill", PANEL, "-draw", "rectangle 40,136 406,287"]
    args += ["-fill", ACCENT, "-draw", "rectangle 0,96 %d,97" % width]
    args += text(40, "white", 40, 22, "KTR")
    args += text(15, "#cfe0ff", 132, 44, labels["tagline"])
    args += text(11, "#9fb6d9", 40, 304, "Sentova  |  KTR 2.0")
    convert(args, out)


def button(out, width, height, label, active, exit_button=False):
    f = font()
    if exit_button:
        top, bottom = ("#e0533d", "#b02a17") if active else ("#b7412f", "#86261a")
    else:
        top, bottom = (ACCENT, "#d98200") if active else ("#3f78c8", "#2558a0")
    args = ["-size", "%dx%d" % (width, height), "gradient:%s-%s" % (top, bottom), "-font", f]
    args += ["-fill", "none", "-stroke", "#ffffff" if active else "#1c3f73",
             "-draw", "rectangle 0,0 %d,%d" % (width - 1, height - 1), "-stroke", "none"]
    if label:
        colour = "#1b1b1b" if active and not exit_button else "white"
        marker = "▶ " if active and not exit_button else ""
        args += text(12, colour, 0 if exit_button else 10, 0, marker + label,
                     "Center" if exit_button else "West")
    convert(args, out)


def content(out, width, height, title, body):
    f = font()
    args = ["-size", "%dx%d" % (width, height), "gradient:#ffffff-#dde7f5", "-font", f]
    args += ["-fill", ACCENT, "-draw", "rectangle 0,0 5,%d" % height]
    args += text(17, NAVY, 20, 14, title)
    args += ["-fill", "#b8c8e0", "-draw", "rectangle 20,44 %d,45" % (width - 20)]
    args += ["(", "-size", "%dx%d" % (width - 40, height - 64), "-background", "none",
             "-font", f, "-pointsize", "12", "-fill", "#25374f", "caption:" + body, ")",
             "-gravity", "NorthWest", "-geometry", "+20+56", "-composite"]
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
            button(out, width, height, entries[int(file[9]) - 1], True)
        elif file.startswith("Button") and file[6].isdigit():
            button(out, width, height, entries[int(file[6]) - 1], False)
        else:  # the blank buttons that the other windows label themselves
            button(out, width, height, "", "Act" in file)
