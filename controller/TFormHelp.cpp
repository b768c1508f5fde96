#include "controller/TFormHelp.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/HelpText.h"
#include "controller/TFormSet.h"

namespace pad {

namespace {

QPlainTextEdit *helpPage(QWidget *parent, const char *name, const QString &text, int pixelHeight) {
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(QString::fromLatin1(name));
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont f = memo->font();
    f.setPixelSize(pixelHeight);
    memo->setFont(f);
    QPalette p = memo->palette();
    p.setColor(QPalette::Text, Qt::blue);
    memo->setPalette(p);
    memo->setPlainText(text);
    return memo;
}

}  // namespace

TFormHelp::TFormHelp(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormHelp"));
    setWindowTitle(QStringLiteral("Korvelo投影助理 帮助"));
    resize(428, 422);

    SpeedButtonSoft = new QPushButton(QStringLiteral("  软件介绍"), this);
    SpeedButtonSoft->setObjectName(QStringLiteral("SpeedButtonSoft"));
    SpeedButtonSoft->setFlat(true);
    SpeedButtonAct = new QPushButton(QStringLiteral("  操作说明"), this);
    SpeedButtonAct->setObjectName(QStringLiteral("SpeedButtonAct"));
    SpeedButtonAct->setFlat(true);
    connect(SpeedButtonSoft, &QPushButton::clicked, this, &TFormHelp::SpeedButtonSoftClick);
    connect(SpeedButtonAct, &QPushButton::clicked, this, &TFormHelp::SpeedButtonActClick);

    auto *left = new QWidget(this);
    left->setFixedWidth(123);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(SpeedButtonSoft);
    leftLayout->addWidget(SpeedButtonAct);
    leftLayout->addStretch();
    auto *picture = new QLabel(QStringLiteral("Korvelo"), left);
    picture->setAlignment(Qt::AlignCenter);
    leftLayout->addWidget(picture);

    MemoSoft = helpPage(this, "MemoSoft", kv::introductionText(), 16);
    MemoAct = helpPage(this, "MemoAct", instructionsText(), 17);
    MemoAct->hide();

    auto *body = new QHBoxLayout;
    body->addWidget(left);
    body->addWidget(MemoSoft, 1);
    body->addWidget(MemoAct, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(body, 1);
    layout->addWidget(StatusBar1);
}

void TFormHelp::SpeedButtonSoftClick() {
    MemoAct->hide();
    MemoSoft->show();
}

void TFormHelp::SpeedButtonActClick() {
    MemoSoft->hide();
    MemoAct->show();
}

QString TFormHelp::instructionsText() {
    return QStringLiteral(
        "本程序是投影助理的控制端，用来遥控投影端电脑上的幻灯片放映。\r\n\r\n"
        "1. 网络：控制端和投影端必须在同一个能互相连通的网络中。\r\n"
        "2. 扫描：点击“扫描”，程序会搜索本机所在网段以及设置中列出的网段里的投影端，找到的投影端列在文件窗的列表中。"
        "如果扫描不到，可以在“远端IP”中直接输入投影端的地址。\r\n"
        "3. 连接：在列表中选择投影端或手工输入其地址，端口一般不用修改，用户名和密码为投影端设置的用户名和密码，"
        "点击“连接”。连接结果显示在窗口底部的状态栏。如果始终连不上，请用ping命令检查网络。\r\n"
        "4. 文件：连接成功后可以看到投影端共享文件夹中的演示文稿，也可以把本机的演示文稿上传到该文件夹。"
        "不能下载文件，也不能访问投影端的其他文件夹。\r\n"
        "5. 打开和放映：选择文件后点击“打开”，再点击“放映”。同一时间只有一个控制端能控制投影。\r\n"
        "6. 同步：如果本地和远端的放映页码不一致，可以输入页码再按回车，两边同时转到该页；"
        "也可以只勾选“远端”或“本地”，单独翻动一边。\r\n"
        "7. 申请控制：别人正在控制投影时，点击“申请”，由投影端或当前的控制者决定是否同意。\r\n"
        "8. 操作对象：勾选“远端”操作投影端的幻灯片，勾选“本地”操作本机上的幻灯片。\r\n"
        "9. 隐藏：本地放映开始后，或把窗口拖到屏幕左、右边缘时，窗口会隐藏为一条细线，鼠标移到细线上窗口就会重新出现。\r\n"
        "10. 按键：PgDn、回车或空格下一页；PgUp上一页；数字加回车转到指定页；B或句号黑屏；W或逗号白屏；"
        "Home第一页；End最后一页。\r\n"
        "11. 鼠标：在幻灯片上点击鼠标不会传给投影端，请使用“上翻”、“下翻”、“首页”、“末页”按钮。\r\n"
        "12. 本机放映：本机的PowerPoint幻灯片默认在可调大小的窗口中放映，在设置窗口中勾选“本机全屏放映”后改为全屏放映。") +
           TFormSet::impressShowNote();
}

}  // namespace pad
