"""The medium's texts in its four languages: every MultiLang.ini key, the
notice templates and the manual. Kept as Unicode here and written in each
language's ANSI code page by make_medium.py."""

# Paths and command lines are the same in every language but for the
# language tag that the installers are given.
def _paths(tag):
    return {
        "RES_MANUAL": "Manual\\KTR_Manual_%s.txt" % tag,
        "RES_CLIENT_INSTALL": "Install\\KTR-Client\\Install.exe /lang:%s" % tag,
        "RES_SERVER_INSTALL": "Install\\KTR-Server\\ServerSetup.exe /lang:%s" % tag,
        "RES_CODE_X_INSTALL": "Install\\Component\\CompSetup.exe",
        "RES_HELPCLI": "Help\\KtrHelp.exe client",
        "RES_GHOSTCLI": "Help\\KtrHelp.exe ghost",
    }


ENGLISH = dict(_paths("ENG"), **{
    "RES_INSTALL_TITLE": "Additional component",
    "RES_CODE_X": "This version of Windows needs an additional component for the KTR "
                  "client. Install it now?",
    "RES_ERROR": "Error",
    "RES_OK": "OK",
    "RES_CANCEL": "Cancel",
    "RES_HELP": "Help",
    "RES_ALERT_MSG": "Please enter your user information when Windows starts.",
    "RES_LANG": "ENGLISH",
    "RES_MAINFORM": "KTR Setup",
    "RES_TITLE": "KTR Installation",
    "RES_ERROR_EXPLOER": "The manual could not be opened.",
    "RES_USER_CAPTION": "Install KTR Client",
    "RES_USER_GBBASE": "Standard installation",
    "RES_USER_GBNORMAL": "Custom installer",
    "RES_USER_GBGHOST": "Ghost image installation",
    "RES_USER_LBLBASE": "Installs the KTR client on this computer with the standard settings.",
    "RES_USER_LBLNORMAL": "Builds a client installer with your own server address and options.",
    "RES_USER_LBLGHOST": "Prepares this computer as the master of a Ghost disk image.",
    "RES_GHOST_CAPTION": "Ghost Image Installation",
    "RES_GHOST_INSTALL_CAPTION": "Step 1: Install the client",
    "RES_GHOST_EDITNOTICE_CAPTION": "Step 2: Edit the notice",
    "RES_GHOST_LBLINCOMPLETE": "The client installation was not completed.",
    "RES_GHOST_LBLINSTALL": "Installs the client and removes its identity, so that every "
                            "cloned computer registers as a new client.",
    "RES_GHOST_LBLEDIT": "Edits the notice that asks the users of cloned computers for "
                         "their user information.",
    "RES_GHOST_LBLINSTNOTE": "Click Install to begin.",
    "RES_GHOST_LBLEDITNOTE": "Click Edit to change the notice.",
    "RES_GHOST_LBLINSTCOMP": "The client has been installed.",
    "RES_GHOST_EDIT_COMP": "The notice has been saved. It will be shown at the next start "
                           "of Windows.",
    "RES_BTNINSTALL": "Install",
    "RES_BTNEDIT": "Edit",
    "RES_EDITNOTICE_CAPTION": "Edit Notice",
    "RES_EDITNOTICE_LBL": "Enter the notice that users see when Windows starts:",
    "RES_NAME_MANUAL": "Manual",
    "RES_NAME_SCAN": "Virus scan",
    "RES_NAME_CLIENT": "Install client",
    "RES_NAME_SERVER": "Install server",
    "RES_NAME_BROWSE": "Browse this medium",
    "RES_NAME_EXIT": "Exit",
    "RES_DESC_MANUAL": "Opens the KTR manual.",
    "RES_DESC_SCAN": "Checks this computer now with the lightweight Sentova scanner.",
    "RES_DESC_CLIENT": "Installs the KTR client agent on this computer.",
    "RES_DESC_SERVER": "Installs the KTR management server on this computer.",
})

KOREAN = dict(_paths("KOR"), **{
    "RES_INSTALL_TITLE": "추가 구성 요소",
    "RES_CODE_X": "이 Windows 버전에서는 KTR 클라이언트에 추가 구성 요소가 필요합니다. "
                  "지금 설치하시겠습니까?",
    "RES_ERROR": "오류",
    "RES_OK": "확인",
    "RES_CANCEL": "취소",
    "RES_HELP": "도움말",
    "RES_ALERT_MSG": "Windows가 시작되면 사용자 정보를 입력해 주십시오.",
    "RES_LANG": "KOREAN",
    "RES_MAINFORM": "KTR 설치 프로그램",
    "RES_TITLE": "KTR 설치",
    "RES_ERROR_EXPLOER": "설명서를 열 수 없습니다.",
    "RES_USER_CAPTION": "KTR 클라이언트 설치",
    "RES_USER_GBBASE": "기본 설치",
    "RES_USER_GBNORMAL": "사용자 설치 파일 만들기",
    "RES_USER_GBGHOST": "Ghost 이미지용 설치",
    "RES_USER_LBLBASE": "기본 설정으로 이 컴퓨터에 KTR 클라이언트를 설치합니다.",
    "RES_USER_LBLNORMAL": "서버 주소와 옵션을 지정한 클라이언트 설치 파일을 만듭니다.",
    "RES_USER_LBLGHOST": "이 컴퓨터를 Ghost 디스크 이미지의 원본으로 준비합니다.",
    "RES_GHOST_CAPTION": "Ghost 이미지용 설치",
    "RES_GHOST_INSTALL_CAPTION": "1단계: 클라이언트 설치",
    "RES_GHOST_EDITNOTICE_CAPTION": "2단계: 안내문 편집",
    "RES_GHOST_LBLINCOMPLETE": "클라이언트 설치가 완료되지 않았습니다.",
    "RES_GHOST_LBLINSTALL": "클라이언트를 설치한 뒤 고유 식별 정보를 지워, 복제된 컴퓨터마다 "
                            "새 클라이언트로 등록되게 합니다.",
    "RES_GHOST_LBLEDIT": "복제된 컴퓨터의 사용자에게 사용자 정보를 요청하는 안내문을 편집합니다.",
    "RES_GHOST_LBLINSTNOTE": "설치를 누르면 시작합니다.",
    "RES_GHOST_LBLEDITNOTE": "편집을 누르면 안내문을 바꿀 수 있습니다.",
    "RES_GHOST_LBLINSTCOMP": "클라이언트가 설치되었습니다.",
    "RES_GHOST_EDIT_COMP": "안내문을 저장했습니다. 다음에 Windows가 시작될 때 표시됩니다.",
    "RES_BTNINSTALL": "설치",
    "RES_BTNEDIT": "편집",
    "RES_EDITNOTICE_CAPTION": "안내문 편집",
    "RES_EDITNOTICE_LBL": "Windows가 시작될 때 사용자에게 보여 줄 안내문을 입력하십시오:",
    "RES_NAME_MANUAL": "설명서",
    "RES_NAME_SCAN": "바이러스 검사",
    "RES_NAME_CLIENT": "클라이언트 설치",
    "RES_NAME_SERVER": "서버 설치",
    "RES_NAME_BROWSE": "CD 내용 보기",
    "RES_NAME_EXIT": "종료",
    "RES_DESC_MANUAL": "KTR 설명서를 엽니다.",
    "RES_DESC_SCAN": "간편 검사기로 이 컴퓨터를 지금 검사합니다.",
    "RES_DESC_CLIENT": "KTR 클라이언트의 설치 방법을 고르는 메뉴를 엽니다.",
    "RES_DESC_SERVER": "이 컴퓨터에 KTR 관리 서버를 설치합니다.",
})

JAPANESE = dict(_paths("JPN"), **{
    "RES_INSTALL_TITLE": "追加コンポーネント",
    "RES_CODE_X": "この Windows では KTR クライアントに追加コンポーネントが必要です。"
                  "今すぐインストールしますか?",
    "RES_ERROR": "エラー",
    "RES_OK": "OK",
    "RES_CANCEL": "キャンセル",
    "RES_HELP": "ヘルプ",
    "RES_ALERT_MSG": "Windows の起動時にユーザー情報を入力してください。",
    "RES_LANG": "JAPANESE",
    "RES_MAINFORM": "KTR セットアップ",
    "RES_TITLE": "KTR インストール",
    "RES_ERROR_EXPLOER": "マニュアルを開けませんでした。",
    "RES_USER_CAPTION": "KTR クライアントのインストール",
    "RES_USER_GBBASE": "標準インストール",
    "RES_USER_GBNORMAL": "カスタム インストーラーの作成",
    "RES_USER_GBGHOST": "Ghost イメージ用インストール",
    "RES_USER_LBLBASE": "標準の設定でこのコンピューターに KTR クライアントをインストールします。",
    "RES_USER_LBLNORMAL": "サーバーのアドレスとオプションを指定したクライアント インストーラーを"
                          "作成します。",
    "RES_USER_LBLGHOST": "このコンピューターを Ghost ディスク イメージの元として準備します。",
    "RES_GHOST_CAPTION": "Ghost イメージ用インストール",
    "RES_GHOST_INSTALL_CAPTION": "手順 1: クライアントのインストール",
    "RES_GHOST_EDITNOTICE_CAPTION": "手順 2: お知らせの編集",
    "RES_GHOST_LBLINCOMPLETE": "クライアントのインストールが完了しませんでした。",
    "RES_GHOST_LBLINSTALL": "クライアントをインストールしてから識別情報を削除し、複製した各"
                            "コンピューターが新しいクライアントとして登録されるようにします。",
    "RES_GHOST_LBLEDIT": "複製したコンピューターのユーザーにユーザー情報の入力を求めるお知らせを"
                         "編集します。",
    "RES_GHOST_LBLINSTNOTE": "[インストール] をクリックすると開始します。",
    "RES_GHOST_LBLEDITNOTE": "[編集] をクリックするとお知らせを変更できます。",
    "RES_GHOST_LBLINSTCOMP": "クライアントがインストールされました。",
    "RES_GHOST_EDIT_COMP": "お知らせを保存しました。次回 Windows の起動時に表示されます。",
    "RES_BTNINSTALL": "インストール",
    "RES_BTNEDIT": "編集",
    "RES_EDITNOTICE_CAPTION": "お知らせの編集",
    "RES_EDITNOTICE_LBL": "Windows の起動時にユーザーに表示するお知らせを入力してください:",
    "RES_NAME_MANUAL": "マニュアル",
    "RES_NAME_SCAN": "ウイルス検査",
    "RES_NAME_CLIENT": "クライアントのインストール",
    "RES_NAME_SERVER": "サーバーのインストール",
    "RES_NAME_BROWSE": "メディアの内容を表示",
    "RES_NAME_EXIT": "終了",
    "RES_DESC_MANUAL": "KTR マニュアルを開きます。",
    "RES_DESC_SCAN": "簡易スキャナーでこのコンピューターを今すぐ検査します。",
    "RES_DESC_CLIENT": "このコンピューターに KTR クライアント エージェントをインストールします。",
    "RES_DESC_SERVER": "このコンピューターに KTR 管理サーバーをインストールします。",
})

CHINESE = dict(_paths("CHS"), **{
    "RES_INSTALL_TITLE": "附加组件",
    "RES_CODE_X": "此 Windows 版本需要为 KTR 客户端安装附加组件。现在安装吗?",
    "RES_ERROR": "错误",
    "RES_OK": "确定",
    "RES_CANCEL": "取消",
    "RES_HELP": "帮助",
    "RES_ALERT_MSG": "请在 Windows 启动时输入您的用户信息。",
    "RES_LANG": "CHINESE",
    "RES_MAINFORM": "KTR 安装程序",
    "RES_TITLE": "KTR 安装",
    "RES_ERROR_EXPLOER": "无法打开使用手册。",
    "RES_USER_CAPTION": "安装 KTR 客户端",
    "RES_USER_GBBASE": "标准安装",
    "RES_USER_GBNORMAL": "创建自定义安装程序",
    "RES_USER_GBGHOST": "Ghost 镜像安装",
    "RES_USER_LBLBASE": "使用标准设置在此计算机上安装 KTR 客户端。",
    "RES_USER_LBLNORMAL": "创建指定服务器地址和选项的客户端安装程序。",
    "RES_USER_LBLGHOST": "将此计算机准备为 Ghost 磁盘镜像的母机。",
    "RES_GHOST_CAPTION": "Ghost 镜像安装",
    "RES_GHOST_INSTALL_CAPTION": "第 1 步: 安装客户端",
    "RES_GHOST_EDITNOTICE_CAPTION": "第 2 步: 编辑通知",
    "RES_GHOST_LBLINCOMPLETE": "客户端安装未完成。",
    "RES_GHOST_LBLINSTALL": "安装客户端后删除其标识信息，使每台克隆的计算机都作为新客户端注册。",
    "RES_GHOST_LBLEDIT": "编辑要求克隆计算机的用户输入用户信息的通知。",
    "RES_GHOST_LBLINSTNOTE": "单击“安装”开始。",
    "RES_GHOST_LBLEDITNOTE": "单击“编辑”修改通知。",
    "RES_GHOST_LBLINSTCOMP": "客户端已安装。",
    "RES_GHOST_EDIT_COMP": "通知已保存，将在下次 Windows 启动时显示。",
    "RES_BTNINSTALL": "安装",
    "RES_BTNEDIT": "编辑",
    "RES_EDITNOTICE_CAPTION": "编辑通知",
    "RES_EDITNOTICE_LBL": "请输入 Windows 启动时向用户显示的通知:",
    "RES_NAME_MANUAL": "使用手册",
    "RES_NAME_SCAN": "病毒扫描",
    "RES_NAME_CLIENT": "安装客户端",
    "RES_NAME_SERVER": "安装服务器",
    "RES_NAME_BROWSE": "浏览光盘",
    "RES_NAME_EXIT": "退出",
    "RES_DESC_MANUAL": "打开 KTR 使用手册。",
    "RES_DESC_SCAN": "使用简易扫描程序立即检查此计算机。",
    "RES_DESC_CLIENT": "在此计算机上安装 KTR 客户端代理。",
    "RES_DESC_SERVER": "在此计算机上安装 KTR 管理服务器。",
})

# The notice template that the notice dialog loads, one per language.
ALERTS = {
    "KOREAN": "사용자 정보 변경 안내\n\n이 컴퓨터는 복제된 이미지로 설치되었습니다.\n"
              "관리자가 사용자를 확인할 수 있도록 이름과 부서를 입력해 주십시오.\n",
    "ENGLISH": "User information change\n\nThis computer was installed from a cloned "
               "image.\nPlease enter your name and department so that the administrator "
               "knows who uses it.\n",
    "JAPANESE": "ユーザー情報の変更\n\nこのコンピューターは複製イメージからインストール"
                "されました。\n管理者が利用者を確認できるよう、名前と部署を入力してください。\n",
    "CHINESE": "用户信息变更\n\n此计算机由克隆镜像安装。\n请输入您的姓名和部门，"
               "以便管理员确认使用者。\n",
}

MANUALS = {
    "KOREAN": "KTR 설명서\n\nKTR은 Sentova 백신 제품군을 관리하는 서버와 클라이언트 에이전트입니다.\n"
              "1. 서버 설치: 관리 서버를 설치합니다.\n2. 클라이언트 설치: 각 컴퓨터에 에이전트를 "
              "설치합니다.\n3. 바이러스 검사: 간편 검사기로 지금 검사합니다.\n",
    "ENGLISH": "KTR manual\n\nKTR is the management server for the Sentova antivirus line "
               "and its client agent.\n1. Install server: sets up the management server.\n"
               "2. Install client: puts the agent on each computer.\n3. Virus scan: checks "
               "this computer now with the lightweight scanner.\n",
    "JAPANESE": "KTR マニュアル\n\nKTR は Sentova ウイルス対策製品を管理するサーバーと"
                "クライアント エージェントです。\n1. サーバーのインストール\n"
                "2. クライアントのインストール\n3. ウイルス検査\n",
    "CHINESE": "KTR 使用手册\n\nKTR 是管理 Sentova 防病毒产品的服务器及其客户端代理。\n"
               "1. 安装服务器\n2. 安装客户端\n3. 病毒扫描\n",
}

TEXTS = {"KOREAN": KOREAN, "ENGLISH": ENGLISH, "JAPANESE": JAPANESE, "CHINESE": CHINESE}
