<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>PortalHotkeys</name>
    <message>
        <source>Show the command palette</source>
        <translation>显示命令面板</translation>
    </message>
    <message>
        <source>Quick open: the focused application&apos;s files</source>
        <translation>快速打开：当前应用程序的文件</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Automatic</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Open the palette</source>
        <translation>打开命令面板</translation>
    </message>
    <message>
        <source>Leave to the application</source>
        <translation>交给应用程序</translation>
    </message>
    <message>
        <source>All Applications</source>
        <translation>所有应用程序</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>已启用</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>已停用</translation>
    </message>
    <message>
        <source>No entry found in the manifest.json file.</source>
        <translation>在 manifest.json 文件中找不到入口。</translation>
    </message>
    <message>
        <source>Entry file not exist in the bundle.</source>
        <translation>扩展包中不存在入口文件。</translation>
    </message>
    <message>
        <source>Entry file must be inside the bundle.</source>
        <translation>入口文件必须位于扩展包内。</translation>
    </message>
    <message>
        <source>The file “%1” does not exist.</source>
        <translation>文件“%1”不存在。</translation>
    </message>
    <message>
        <source>“%1” holds the extension folder itself.</source>
        <translation>“%1”包含扩展文件夹本身。</translation>
    </message>
    <message>
        <source>The extension folder “%1” could not be created.</source>
        <translation>无法创建扩展文件夹“%1”。</translation>
    </message>
    <message>
        <source>“%1” could not be copied to the extension folder.</source>
        <translation>无法将“%1”复制到扩展文件夹。</translation>
    </message>
    <message>
        <source>No free name for “%1” in the extension folder.</source>
        <translation>扩展文件夹中没有可用于“%1”的名称。</translation>
    </message>
    <message>
        <source>“%1” is a folder, not a script.</source>
        <translation>“%1”是文件夹，不是脚本。</translation>
    </message>
    <message>
        <source>The file “manifest.json” couldn’t be opened: %1</source>
        <translation>无法打开文件“manifest.json”：%1</translation>
    </message>
    <message>
        <source>The file “manifest.json” is not a JSON object: %1</source>
        <translation>文件“manifest.json”不是 JSON 对象：%1</translation>
    </message>
    <message>
        <source>Extensions (%1)</source>
        <translation>扩展 (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>Choose Application</source>
        <translation>选择应用程序</translation>
    </message>
    <message>
        <source>Others…</source>
        <translation>其他…</translation>
    </message>
    <message>
        <source>Choose a Program</source>
        <translation>选择程序</translation>
    </message>
</context>
<context>
    <name>WaylandSession</name>
    <message>
        <source>On Wayland, programs cannot take a shortcut for the whole desktop. Bind %1 to the command &quot;tavolin --show&quot; yourself:
GNOME: Settings &gt; Keyboard &gt; Keyboard Shortcuts &gt; Custom Shortcuts.
KDE Plasma: System Settings &gt; Shortcuts &gt; Add New &gt; Command or Script.
sway: add &quot;bindsym %2 exec tavolin --show&quot; to ~/.config/sway/config.</source>
        <translation>在 Wayland 下，程序无法占用整个桌面的快捷键。请自行将 %1 绑定到命令“tavolin --show”：
GNOME：设置 &gt; 键盘 &gt; 键盘快捷键 &gt; 自定义快捷键。
KDE Plasma：系统设置 &gt; 快捷键 &gt; 添加新项 &gt; 命令或脚本。
sway：在 ~/.config/sway/config 中添加“bindsym %2 exec tavolin --show”。</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Tavolin Preferences</source>
        <translation>Tavolin 首选项</translation>
    </message>
</context>
<context>
    <name>tavolin::AboutController</name>
    <message>
        <source>version %1</source>
        <translation>版本 %1</translation>
    </message>
    <message>
        <source>A keyboard command palette for your applications&apos; menus.</source>
        <translation>用键盘操作应用程序菜单的命令面板。</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>支持</translation>
    </message>
    <message>
        <source>License Agreement</source>
        <translation>许可协议</translation>
    </message>
    <message>
        <source>Credits</source>
        <translation>致谢</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>联系我们</translation>
    </message>
</context>
<context>
    <name>tavolin::AddMenuDialog</name>
    <message>
        <source>Add menu to exclude</source>
        <translation>添加要排除的菜单</translation>
    </message>
    <message>
        <source>Menu title:</source>
        <translation>菜单标题：</translation>
    </message>
    <message>
        <source>Application:</source>
        <translation>应用程序：</translation>
    </message>
    <message>
        <source>Hide:</source>
        <translation>隐藏：</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
</context>
<context>
    <name>tavolin::AppDelegate</name>
    <message>
        <source>Data folder</source>
        <translation>数据文件夹</translation>
    </message>
    <message>
        <source>The folder %1 cannot be written: the disk may be full or read-only. Extensions and history are used as they were; changes made now are not kept.</source>
        <translation>无法写入文件夹 %1：磁盘可能已满或为只读。扩展和历史记录保持原样；现在所做的更改不会被保存。</translation>
    </message>
</context>
<context>
    <name>tavolin::AppRulesController</name>
    <message>
        <source>Application</source>
        <translation>应用程序</translation>
    </message>
    <message>
        <source>Palette shortcut</source>
        <translation>命令面板快捷键</translation>
    </message>
    <message>
        <source>Add applications</source>
        <translation>添加应用程序</translation>
    </message>
    <message>
        <source>Remove the selected application</source>
        <translation>移除所选应用程序</translation>
    </message>
    <message>
        <source>Other applications:</source>
        <translation>其他应用程序：</translation>
    </message>
    <message>
        <source>What the palette shortcut does in each application:</source>
        <translation>命令面板快捷键在各应用程序中的作用：</translation>
    </message>
</context>
<context>
    <name>tavolin::AppearanceController</name>
    <message>
        <source>Show the application&apos;s icon</source>
        <translation>显示应用程序图标</translation>
    </message>
    <message>
        <source>Show the options icon</source>
        <translation>显示选项图标</translation>
    </message>
    <message>
        <source>Change Theme…</source>
        <translation>更改主题…</translation>
    </message>
    <message>
        <source>Install Theme…</source>
        <translation>安装主题…</translation>
    </message>
    <message>
        <source>%1 rows</source>
        <translation>%1 行</translation>
    </message>
    <message>
        <source>Input row:</source>
        <translation>输入行：</translation>
    </message>
    <message>
        <source>Visible rows:</source>
        <translation>可见行数：</translation>
    </message>
    <message>
        <source>Theme:</source>
        <translation>主题：</translation>
    </message>
    <message>
        <source>Coming soon</source>
        <translation>即将推出</translation>
    </message>
</context>
<context>
    <name>tavolin::ApplicationSelect</name>
    <message>
        <source>All Applications</source>
        <translation>所有应用程序</translation>
    </message>
    <message>
        <source>Others…</source>
        <translation>其他…</translation>
    </message>
</context>
<context>
    <name>tavolin::CommandPalette</name>
    <message>
        <source>Palette shortcut</source>
        <translation>命令面板快捷键</translation>
    </message>
</context>
<context>
    <name>tavolin::DBusNotifier</name>
    <message>
        <source>Error on &quot;%1&quot;</source>
        <translation>“%1”出错</translation>
    </message>
</context>
<context>
    <name>tavolin::DialogUpdatePrompt</name>
    <message>
        <source>Tavolin Update</source>
        <translation>Tavolin 更新</translation>
    </message>
    <message>
        <source>A new version of Tavolin is available: %1 (you have %2).</source>
        <translation>有新版本的 Tavolin 可用：%1（当前版本 %2）。</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>下载</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>跳过此版本</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>稍后提醒我</translation>
    </message>
</context>
<context>
    <name>tavolin::ExtensionController</name>
    <message>
        <source>Add…</source>
        <translation>添加…</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>扩展</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>快捷键</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Scripts offered as commands, per application. Drop a script or a .pext bundle here to add it.</source>
        <translation>按应用程序提供为命令的脚本。将脚本或 .pext 扩展包拖放到此处即可添加。</translation>
    </message>
    <message>
        <source>Delete Selected ?</source>
        <translation>删除所选项？</translation>
    </message>
    <message>
        <source>The operation cannot be undo. You could disable the extension(s) instead if you do not want to use it.</source>
        <translation>此操作无法撤销。如果不想再使用这些扩展，也可以改为停用它们。</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Add Extension</source>
        <translation>添加扩展</translation>
    </message>
    <message>
        <source>Must input a Menu Title or English Title</source>
        <translation>请输入菜单标题或英文标题</translation>
    </message>
</context>
<context>
    <name>tavolin::ExtensionDetailDialog</name>
    <message>
        <source>Extension Information</source>
        <translation>扩展信息</translation>
    </message>
    <message>
        <source>Application:</source>
        <translation>应用程序：</translation>
    </message>
    <message>
        <source>Menu title:</source>
        <translation>菜单标题：</translation>
    </message>
    <message>
        <source>English title:</source>
        <translation>英文标题：</translation>
    </message>
    <message>
        <source>Shortcut:</source>
        <translation>快捷键：</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>状态：</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
</context>
<context>
    <name>tavolin::FilesJob</name>
    <message>
        <source>Searched the first %1 entries only: type more of the name to find others</source>
        <translation>仅搜索了前 %1 个条目：请输入更多名称以查找其他文件</translation>
    </message>
</context>
<context>
    <name>tavolin::GeneralController</name>
    <message>
        <source>Start Tavolin at login</source>
        <translation>登录时启动 Tavolin</translation>
    </message>
    <message>
        <source>Send anonymous crash and usage data</source>
        <translation>发送匿名崩溃和使用数据</translation>
    </message>
    <message>
        <source>Check for Updates</source>
        <translation>检查更新</translation>
    </message>
    <message>
        <source>Quit Tavolin</source>
        <translation>退出 Tavolin</translation>
    </message>
    <message>
        <source>Accessibility Settings…</source>
        <translation>辅助功能设置…</translation>
    </message>
    <message>
        <source>Privacy Policy</source>
        <translation>隐私政策</translation>
    </message>
    <message>
        <source>Tavolin reads menus through the desktop&apos;s accessibility bus. If menus stay empty, turn accessibility on.</source>
        <translation>Tavolin 通过桌面的辅助功能总线读取菜单。如果菜单一直为空，请开启辅助功能。</translation>
    </message>
</context>
<context>
    <name>tavolin::ListView</name>
    <message>
        <source>Results</source>
        <translation>结果</translation>
    </message>
</context>
<context>
    <name>tavolin::MenuDataProvider</name>
    <message>
        <source>%1 is not answering</source>
        <translation>%1 没有响应</translation>
    </message>
    <message>
        <source>The application</source>
        <translation>该应用程序</translation>
    </message>
</context>
<context>
    <name>tavolin::MenuRulesController</name>
    <message>
        <source>The item itself</source>
        <translation>仅该项</translation>
    </message>
    <message>
        <source>Everything below it</source>
        <translation>其下所有内容</translation>
    </message>
    <message>
        <source>The whole menu, unread</source>
        <translation>整个菜单（不读取）</translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>菜单</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>隐藏</translation>
    </message>
    <message>
        <source>Add a menu rule</source>
        <translation>添加菜单规则</translation>
    </message>
    <message>
        <source>Remove the selected rule or application</source>
        <translation>移除所选规则或应用程序</translation>
    </message>
    <message>
        <source>Menus the palette leaves out:</source>
        <translation>命令面板忽略的菜单：</translation>
    </message>
    <message>
        <source>Menu title cannot be empty.</source>
        <translation>菜单标题不能为空。</translation>
    </message>
</context>
<context>
    <name>tavolin::OptionDataProvider</name>
    <message>
        <source>Light / Dark</source>
        <translation>浅色 / 深色</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>浅色</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>深色</translation>
    </message>
    <message>
        <source>Current Theme: %1</source>
        <translation>当前主题：%1</translation>
    </message>
    <message>
        <source>Themes</source>
        <translation>主题</translation>
    </message>
    <message>
        <source>Press ↑ ↓ to Switch Themes</source>
        <translation>按 ↑ ↓ 切换主题</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>首选项</translation>
    </message>
    <message>
        <source>Change settings of Tavolin</source>
        <translation>更改 Tavolin 的设置</translation>
    </message>
    <message>
        <source>About Tavolin</source>
        <translation>关于 Tavolin</translation>
    </message>
    <message>
        <source>Current Version: %1</source>
        <translation>当前版本：%1</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Terminate Tavolin</source>
        <translation>终止 Tavolin</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>更新</translation>
    </message>
    <message>
        <source>Next version: %1</source>
        <translation>新版本：%1</translation>
    </message>
</context>
<context>
    <name>tavolin::PaletteViewController</name>
    <message>
        <source>Show the state of menu items (✓)</source>
        <translation>显示菜单项的状态 (✓)</translation>
    </message>
    <message>
        <source>Ctrl+, shows Tavolin&apos;s own commands</source>
        <translation>Ctrl+, 显示 Tavolin 自身的命令</translation>
    </message>
    <message>
        <source>Quick open the application&apos;s files</source>
        <translation>快速打开应用程序的文件</translation>
    </message>
    <message>
        <source>Delete History</source>
        <translation>删除历史记录</translation>
    </message>
    <message>
        <source>While the palette lists an application&apos;s menu commands, Ctrl+, normally reaches that application (usually its preferences). With this option it switches the palette to Tavolin&apos;s own commands instead.</source>
        <translation>当命令面板列出某个应用程序的菜单命令时，Ctrl+, 通常会交给该应用程序（一般是其首选项）。启用此选项后，它会改为将命令面板切换到 Tavolin 自身的命令。</translation>
    </message>
    <message>
        <source>About shortcuts</source>
        <translation>关于快捷键</translation>
    </message>
    <message>
        <source>Palette shortcut:</source>
        <translation>命令面板快捷键：</translation>
    </message>
    <message>
        <source>Menus:</source>
        <translation>菜单：</translation>
    </message>
    <message>
        <source>Quick open:</source>
        <translation>快速打开：</translation>
    </message>
    <message>
        <source>Quick open shortcut:</source>
        <translation>快速打开快捷键：</translation>
    </message>
    <message>
        <source>History:</source>
        <translation>历史记录：</translation>
    </message>
    <message>
        <source>When on, Ctrl+, shows Tavolin&apos;s own commands instead of reaching the focused application.</source>
        <translation>开启后，Ctrl+, 会显示 Tavolin 自身的命令，而不是交给当前聚焦的应用程序。</translation>
    </message>
    <message>
        <source>About Ctrl+,</source>
        <translation>关于 Ctrl+,</translation>
    </message>
    <message>
        <source>The desktop shows the palette on %1 (set in its own shortcut settings).</source>
        <translation>桌面通过 %1 显示命令面板（在桌面自己的快捷键设置中设定）。</translation>
    </message>
</context>
<context>
    <name>tavolin::PanelView</name>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Tavolin&apos;s own commands</source>
        <translation>Tavolin 自身的命令</translation>
    </message>
    <message>
        <source>Tavolin&apos;s own commands: an update is available</source>
        <translation>Tavolin 自身的命令：有可用更新</translation>
    </message>
    <message>
        <source>Back to the application&apos;s commands</source>
        <translation>返回应用程序的命令</translation>
    </message>
</context>
<context>
    <name>tavolin::PermissionWindow</name>
    <message>
        <source>Turn On Accessibility</source>
        <translation>开启辅助功能</translation>
    </message>
    <message>
        <source>Tavolin needs to use accessibility features&lt;br&gt;&lt;br&gt;To continue, please turn on accessibility for this desktop (Settings → Accessibility, or the button below, which switches on the desktop&apos;s accessibility bus; applications started before may need a restart). or see &lt;a href=&quot;%1&quot;&gt;More Details&lt;/a&gt;.</source>
        <translation>Tavolin 需要使用辅助功能&lt;br&gt;&lt;br&gt;要继续，请为此桌面开启辅助功能（设置 → 辅助功能，或点击下方按钮开启桌面的辅助功能总线；之前启动的应用程序可能需要重新启动）。或查看&lt;a href=&quot;%1&quot;&gt;更多详情&lt;/a&gt;。</translation>
    </message>
</context>
<context>
    <name>tavolin::PreferencesWindow</name>
    <message>
        <source>Tavolin Preferences</source>
        <translation>Tavolin 首选项</translation>
    </message>
    <message>
        <source>Palette</source>
        <translation>命令面板</translation>
    </message>
    <message>
        <source>App Rules</source>
        <translation>应用程序规则</translation>
    </message>
    <message>
        <source>Menu Rules</source>
        <translation>菜单规则</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>扩展</translation>
    </message>
    <message>
        <source>General</source>
        <translation>通用</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>外观</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Preferences panes</source>
        <translation>首选项页面</translation>
    </message>
</context>
<context>
    <name>tavolin::RowTexts</name>
    <message>
        <source>Recent</source>
        <translation>最近使用</translation>
    </message>
    <message>
        <source>Opened</source>
        <translation>已打开</translation>
    </message>
    <message>
        <source>File Results</source>
        <translation>文件结果</translation>
    </message>
    <message>
        <source>Update Avaiable</source>
        <translation>有可用更新</translation>
    </message>
    <message>
        <source>menu %1</source>
        <translation>菜单 %1</translation>
    </message>
    <message>
        <source>submenu</source>
        <translation>子菜单</translation>
    </message>
    <message>
        <source>shortcut %1</source>
        <translation>快捷键 %1</translation>
    </message>
</context>
<context>
    <name>tavolin::ShortcutRecorder</name>
    <message>
        <source>Clear shortcut</source>
        <translation>清除快捷键</translation>
    </message>
    <message>
        <source>Key not supported</source>
        <translation>不支持此按键</translation>
    </message>
    <message>
        <source>%1 cannot be used</source>
        <translation>无法使用 %1</translation>
    </message>
    <message>
        <source>Type shortcut…</source>
        <translation>输入快捷键…</translation>
    </message>
    <message>
        <source>Record Shortcut</source>
        <translation>录制快捷键</translation>
    </message>
</context>
<context>
    <name>tavolin::TavolinDataProvider</name>
    <message>
        <source>Commands</source>
        <translation>命令</translation>
    </message>
</context>
<context>
    <name>tavolin::UpdateHelper</name>
    <message>
        <source>No update feed is set: the address in the settings is not an http, https or file address.</source>
        <translation>未设置更新源：设置中的地址不是 http、https 或 file 地址。</translation>
    </message>
    <message>
        <source>Could not check for updates: the update feed could not be fetched (%1). Check the network connection and try again.</source>
        <translation>无法检查更新：无法获取更新源（%1）。请检查网络连接后重试。</translation>
    </message>
    <message>
        <source>The update feed could not be read.</source>
        <translation>无法读取更新源。</translation>
    </message>
    <message>
        <source>Tavolin %1 is the newest version available.</source>
        <translation>Tavolin %1 已是最新版本。</translation>
    </message>
</context>
<context>
    <name>tavolin::WelcomeWindow</name>
    <message>
        <source>Start Tavolin at login</source>
        <translation>登录时启动 Tavolin</translation>
    </message>
    <message>
        <source>Share anonymous usage data</source>
        <translation>共享匿名使用数据</translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation>开始使用</translation>
    </message>
    <message>
        <source>Welcome to Tavolin</source>
        <translation>欢迎使用 Tavolin</translation>
    </message>
    <message>
        <source>Press the palette shortcut in any application to search its menu commands. Type to filter, Return to run the command.</source>
        <translation>在任意应用程序中按下命令面板快捷键，即可搜索其菜单命令。输入文字进行筛选，按回车键执行命令。</translation>
    </message>
    <message>
        <source>Palette shortcut (click it or press Space on it, then press the keys):</source>
        <translation>命令面板快捷键（点击它或在其上按空格键，然后按下按键）：</translation>
    </message>
    <message>
        <source>Press the keys, or Escape</source>
        <translation>请按下按键，或按 Esc 取消</translation>
    </message>
    <message>
        <source>Palette shortcut</source>
        <translation>命令面板快捷键</translation>
    </message>
</context>
</TS>
