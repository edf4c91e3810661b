#!/usr/bin/env python3
"""Writes the nine interface styles, assets/styles/U1.qzv to U9.qzv.

Every style is one Qt style sheet made from the template below and a table
of colours and sizes. Edit the tables or the template here, run
    python3 assets/tools/make_styles.py
and commit the regenerated .qzv files; the build only copies them.

Rules the template keeps:
- Font sizes in pt, so a style reads the same at 96 and 144 dpi.
- No background on QLabel or on QFrame in general: the status light PicJD
  is a label whose colour the program sets through its palette.
- No min-height/min-width on push buttons: several buttons of the main
  window have a fixed geometry that a minimum size would break.
"""

import pathlib
import sys

FONTS = '"Microsoft YaHei", "Noto Sans CJK SC", "WenQuanYi Micro Hei", sans-serif'

# Common sizes; a style overrides what it changes.
METRICS = dict(
    pt=9, small_pt=8, title_pt=14, menu_pt=9, list_pt=9, search_pt=11,
    radius=3, bw=1, btn_pad="3px 10px", edit_pad="2px 4px", item_pad="2px 2px",
    menu_pad="4px 24px 4px 22px", header_pad="3px 6px", scroll=12, ind=12,
    tab_pad="4px 14px", group_top="1.3em",
)

STYLES = {
    # 1: light, the default.
    1: dict(
        name="清爽浅色",
        window="#f3f5f8", panel="#ffffff", text="#1f2933", muted="#8a94a3",
        base="#ffffff", alt="#f2f6fb", border="#c3ccd8", strong="#8d99a8",
        accent="#2f6fdf", accent_hi="#4c86ec", accent_text="#ffffff",
        select_soft="#d7e5fb",
        button="#ffffff", button2="#eef1f5", button_text="#1f2933",
        hover="#e7effc", pressed="#d3e1f8", disabled_bg="#f1f2f4",
        menubar="#ffffff", menubar_text="#1f2933", menu="#ffffff",
        header="#eef2f7", header_text="#334155",
        tip="#fffbe6", tip_text="#1f2933", status="#e9edf2", status_text="#334155",
        title="#2f5fb3", track="#eef1f5", handle="#b9c3d0", handle_hover="#8d99a8",
        chunk="#5b93ee", searching="#fff7d6",
    ),
    # 2: dark.
    2: dict(
        name="夜间深色",
        window="#1e2228", panel="#252a32", text="#e3e7ed", muted="#7d8794",
        base="#181b20", alt="#1f242b", border="#3b434f", strong="#59636f",
        accent="#3d8bfd", accent_hi="#5a9dfd", accent_text="#ffffff",
        select_soft="#23406b",
        button="#333a44", button2="#2b313a", button_text="#e3e7ed",
        hover="#3a4452", pressed="#24406a", disabled_bg="#23272e",
        menubar="#181b20", menubar_text="#e3e7ed", menu="#252a32",
        header="#2c323b", header_text="#c9d1dc",
        tip="#323944", tip_text="#f0f3f7", status="#181b20", status_text="#b8c1cc",
        title="#7fb2ff", track="#1e2228", handle="#4a535f", handle_hover="#66717f",
        chunk="#3d8bfd", searching="#3a3420",
    ),
    # 3: blue, business style.
    3: dict(
        name="商务蓝",
        window="#e4edf8", panel="#f6f9fd", text="#14263d", muted="#8595aa",
        base="#ffffff", alt="#eef4fc", border="#a9bfdc", strong="#6f8db5",
        accent="#1b5fbf", accent_hi="#2f77d8", accent_text="#ffffff",
        select_soft="#cfe0f7",
        button="#fdfefe", button2="#dde8f6", button_text="#14263d",
        hover="#d6e6fa", pressed="#bcd4f3", disabled_bg="#e9eef5",
        menubar="#1d4f91", menubar_text="#ffffff", menu="#f6f9fd",
        header="#d3e2f5", header_text="#163a6b",
        tip="#ffffe8", tip_text="#14263d", status="#1d4f91", status_text="#ffffff",
        title="#1b4f99", track="#e1e9f4", handle="#9fb7d8", handle_hover="#6f8db5",
        chunk="#2f77d8", searching="#fff6d0",
    ),
    # 4: green.
    4: dict(
        name="清新绿",
        window="#e8f3ea", panel="#f7fbf7", text="#1c3324", muted="#889a8d",
        base="#ffffff", alt="#eef7f0", border="#a9cdb3", strong="#6fa07d",
        accent="#2e8b57", accent_hi="#3aa36a", accent_text="#ffffff",
        select_soft="#cfead9",
        button="#fdfefd", button2="#e0efe4", button_text="#1c3324",
        hover="#d7eedf", pressed="#bfe2cb", disabled_bg="#edf2ee",
        menubar="#2b7a4e", menubar_text="#ffffff", menu="#f7fbf7",
        header="#d5eadb", header_text="#1f4d31",
        tip="#fbfde8", tip_text="#1c3324", status="#d5eadb", status_text="#1f4d31",
        title="#23704a", track="#e3efe6", handle="#a3c9ae", handle_hover="#6fa07d",
        chunk="#3aa36a", searching="#fdf6d3",
    ),
    # 5: warm.
    5: dict(
        name="暖阳",
        window="#f7efe4", panel="#fffaf3", text="#3a2a1d", muted="#a39282",
        base="#fffdf9", alt="#fbf3e8", border="#dcc6ab", strong="#b6946f",
        accent="#c25e24", accent_hi="#d8733a", accent_text="#ffffff",
        select_soft="#f6dcc6",
        button="#fffdf9", button2="#f3e5d3", button_text="#3a2a1d",
        hover="#f8e6d4", pressed="#f0d3b8", disabled_bg="#f4ede4",
        menubar="#8c4a24", menubar_text="#fff6ec", menu="#fffaf3",
        header="#f1e2cf", header_text="#6b3a1c",
        tip="#fff8e1", tip_text="#3a2a1d", status="#f1e2cf", status_text="#6b3a1c",
        title="#a44d1d", track="#f2e7da", handle="#d4b796", handle_hover="#b6946f",
        chunk="#d8733a", searching="#fff2c8",
    ),
    # 6: high contrast: white on black, yellow for what is chosen.
    6: dict(
        name="高对比度",
        window="#000000", panel="#000000", text="#ffffff", muted="#b0b0b0",
        base="#000000", alt="#141414", border="#ffffff", strong="#ffffff",
        accent="#ffff00", accent_hi="#ffff66", accent_text="#000000",
        select_soft="#ffff00",
        button="#000000", button2="#000000", button_text="#ffffff",
        hover="#1f3f9f", pressed="#ffff00", disabled_bg="#000000",
        menubar="#000000", menubar_text="#ffffff", menu="#000000",
        header="#000000", header_text="#ffff00",
        tip="#000000", tip_text="#ffffff", status="#000000", status_text="#ffffff",
        title="#ffff00", track="#000000", handle="#ffffff", handle_hover="#ffff00",
        chunk="#00c0ff", searching="#000000",
        bw=2, radius=0, pt=10, small_pt=9, list_pt=10, menu_pt=10,
    ),
    # 7: large print.
    7: dict(
        name="大字体",
        window="#f4f6f9", panel="#ffffff", text="#111827", muted="#7b8492",
        base="#ffffff", alt="#f1f5fa", border="#aeb9c7", strong="#6f7c8c",
        accent="#1f5fc9", accent_hi="#3b79dd", accent_text="#ffffff",
        select_soft="#d3e2fa",
        button="#ffffff", button2="#e9edf2", button_text="#111827",
        hover="#e2ecfb", pressed="#cadcf6", disabled_bg="#eff1f4",
        menubar="#ffffff", menubar_text="#111827", menu="#ffffff",
        header="#e8edf4", header_text="#1f2a3a",
        tip="#fffbe6", tip_text="#111827", status="#e8edf4", status_text="#1f2a3a",
        title="#1f4fa8", track="#eceff3", handle="#a9b4c2", handle_hover="#6f7c8c",
        chunk="#3b79dd", searching="#fff7d6",
        pt=11, small_pt=9, panel_pt=10, title_pt=16, menu_pt=13, list_pt=13, search_pt=14,
        btn_pad="4px 12px", edit_pad="3px 5px", item_pad="4px 3px",
        menu_pad="6px 30px 6px 26px", header_pad="5px 8px", scroll=18, ind=15,
        tab_pad="6px 18px", bw=1,
    ),
    # 8: compact: small spacing, thin scroll bars.
    8: dict(
        name="紧凑",
        window="#eef0f2", panel="#fafbfc", text="#22272e", muted="#8c949e",
        base="#ffffff", alt="#f4f6f8", border="#c8ced6", strong="#98a1ac",
        accent="#3b6ea5", accent_hi="#4f82b8", accent_text="#ffffff",
        select_soft="#d6e2ef",
        button="#fdfdfe", button2="#eceff2", button_text="#22272e",
        hover="#e3eaf2", pressed="#d0dbe8", disabled_bg="#f0f1f3",
        menubar="#fafbfc", menubar_text="#22272e", menu="#ffffff",
        header="#eceff2", header_text="#3a424c",
        tip="#fffbe6", tip_text="#22272e", status="#e4e7eb", status_text="#3a424c",
        title="#3b6ea5", track="#eef0f2", handle="#bcc3cc", handle_hover="#98a1ac",
        chunk="#4f82b8", searching="#fff7d6",
        pt=9, small_pt=8, radius=2, btn_pad="1px 6px", edit_pad="1px 3px",
        item_pad="0px 2px", menu_pad="2px 18px 2px 18px", header_pad="1px 4px",
        scroll=9, ind=11, tab_pad="2px 10px", group_top="1.2em",
    ),
    # 9: classic grey, raised buttons and sunken boxes.
    9: dict(
        name="经典灰",
        window="#d4d0c8", panel="#d4d0c8", text="#000000", muted="#808080",
        base="#ffffff", alt="#f0efeb", border="#808080", strong="#404040",
        accent="#0a246a", accent_hi="#3a6ea5", accent_text="#ffffff",
        select_soft="#b8c4dc",
        button="#d4d0c8", button2="#d4d0c8", button_text="#000000",
        hover="#dedad3", pressed="#c4c0b8", disabled_bg="#d4d0c8",
        menubar="#d4d0c8", menubar_text="#000000", menu="#d4d0c8",
        header="#d4d0c8", header_text="#000000",
        tip="#ffffe1", tip_text="#000000", status="#d4d0c8", status_text="#000000",
        title="#000000", track="#e4e1dc", handle="#d4d0c8", handle_hover="#dedad3",
        chunk="#0a246a", searching="#ffffe1",
        radius=0, classic=True,
    ),
}

TEMPLATE = """\
/* Veltrano interface style {n}: {name}.
   Generated by assets/tools/make_styles.py; edit there. */

* {{
    font-family: {fonts};
    font-size: {pt}pt;
}}

QMainWindow, QDialog, QMessageBox {{
    background-color: {window};
    color: {text};
}}

/* The key-facts card beside the viewer's page. */
QWidget#FactsCard, QWidget#FactsContent {{
    background-color: {window};
}}

QLabel {{
    color: {text};
}}
QLabel:disabled {{
    color: {muted};
}}
QMessageBox QLabel {{
    color: {text};
}}

/* Main window: the product name under the filters, the search notice,
   the search button. */
QLabel#Label5 {{
    font-size: {title_pt}pt;
    font-weight: bold;
    color: {title};
}}
QLabel#PicZT {{
    background-color: {searching};
    color: {text};
    border: {bw}px solid {accent};
    font-size: {search_pt}pt;
    font-weight: bold;
}}
QPushButton#CMDCX {{
    font-size: {search_pt}pt;
    font-weight: bold;
    color: {accent_text};
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 {accent_hi}, stop:1 {accent});
    border: {bw}px solid {accent};
    border-radius: {radius_big}px;
}}
QPushButton#CMDCX:hover {{
    background-color: {accent_hi};
}}
QPushButton#CMDCX:pressed {{
    background-color: {accent};
    padding-top: 2px;
}}
QPushButton#CMDCX:disabled {{
    color: {muted};
    background-color: {disabled_bg};
    border-color: {border};
}}
QPushButton#Command2 {{
    padding: 1px 2px;
}}
/* The filter columns use a smaller face. */
QGroupBox#Frame3, QGroupBox#Frame8,
QGroupBox#Frame3 QRadioButton, QGroupBox#Frame3 QLabel,
QGroupBox#Frame8 QRadioButton {{
    font-size: {small_pt}pt;
}}
/* The top bar and the region row have a fixed height: their options keep a
   size that fits three rows. */
QGroupBox#Frame2 QRadioButton, QGroupBox#Frame4 QRadioButton,
QGroupBox#Frame5 QRadioButton, QGroupBox#Frame5 QLabel, QGroupBox#Frame5 QDateEdit {{
    font-size: {panel_pt}pt;
}}
QGroupBox#Frame3 QLabel#Label6 {{
    font-weight: bold;
    color: {title};
}}
QGroupBox#Frame3 QLabel#Label6:disabled {{
    color: {muted};
}}

/* Menus. */
QMenuBar {{
    background-color: {menubar};
    color: {menubar_text};
    border-bottom: 1px solid {border};
    font-size: {menu_pt}pt;
}}
QMenuBar::item {{
    background: transparent;
    color: {menubar_text};
    padding: {menubar_pad};
}}
QMenuBar::item:selected {{
    background-color: {menubar_hover};
    color: {menubar_hover_text};
}}
QMenuBar::item:pressed {{
    background-color: {accent};
    color: {accent_text};
}}
QMenu {{
    background-color: {menu};
    color: {text};
    border: {bw}px solid {strong};
    padding: 3px 0px;
    font-size: {menu_pt}pt;
}}
QMenu::item {{
    padding: {menu_pad};
    background: transparent;
}}
QMenu::item:selected {{
    background-color: {accent};
    color: {accent_text};
}}
QMenu::item:disabled {{
    color: {muted};
    background: transparent;
}}
QMenu::separator {{
    height: 1px;
    background: {border};
    margin: 3px 8px;
}}

/* Status bar. */
QStatusBar {{
    background-color: {status};
    color: {status_text};
    border-top: 1px solid {border};
}}
QStatusBar QLabel {{
    color: {status_text};
    padding: 1px 4px;
}}
QStatusBar::item {{
    border: none;
}}

/* Group boxes. */
QGroupBox {{
    background-color: {panel};
    color: {text};
    border: {group_border};
    border-radius: {radius_big}px;
    margin-top: {group_top};
    padding: 2px 0px 0px 0px;
}}
QGroupBox::title {{
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 8px;
    padding: 0px 3px;
    color: {title};
    font-weight: bold;
}}
QGroupBox::title:disabled {{
    color: {muted};
}}

/* Buttons. */
QPushButton {{
    color: {button_text};
    background-color: {button_bg};
    border: {button_border};
    border-radius: {radius}px;
    padding: {btn_pad};
}}
QPushButton:hover {{
    background-color: {hover};
    border-color: {button_hover_border};
}}
QPushButton:pressed {{
    background-color: {pressed};
    color: {pressed_text};
    {button_pressed_extra}
}}
QPushButton:default {{
    border: {default_border};
}}
QPushButton:focus {{
    {focus_rule}
}}
QPushButton:disabled {{
    color: {muted};
    background-color: {disabled_bg};
    border-color: {disabled_border};
}}
QDialogButtonBox QPushButton, QMessageBox QPushButton {{
    min-width: 5em;
}}
QToolButton {{
    color: {button_text};
    background: transparent;
    border: 1px solid transparent;
    border-radius: {radius}px;
    padding: 2px;
}}
QToolButton:hover {{
    background-color: {hover};
    border-color: {border};
}}
QToolButton:pressed {{
    background-color: {pressed};
}}

/* Text boxes and spin boxes. */
QLineEdit, QSpinBox, QDoubleSpinBox, QDateEdit, QTimeEdit, QDateTimeEdit, QComboBox,
QPlainTextEdit, QTextEdit {{
    color: {text};
    background-color: {base};
    border: {edit_border};
    border-radius: {radius}px;
    padding: {edit_pad};
    selection-background-color: {accent};
    selection-color: {accent_text};
}}
QLineEdit:focus, QSpinBox:focus, QDoubleSpinBox:focus, QDateEdit:focus, QTimeEdit:focus,
QDateTimeEdit:focus, QComboBox:focus, QPlainTextEdit:focus, QTextEdit:focus {{
    border-color: {accent};
}}
QLineEdit:disabled, QSpinBox:disabled, QDoubleSpinBox:disabled, QDateEdit:disabled,
QTimeEdit:disabled, QDateTimeEdit:disabled, QComboBox:disabled {{
    color: {muted};
    background-color: {disabled_bg};
    border-color: {disabled_border};
}}
QComboBox QAbstractItemView {{
    color: {text};
    background-color: {base};
    border: 1px solid {strong};
    selection-background-color: {accent};
    selection-color: {accent_text};
}}

/* The calendar that drops down from a date box. */
QCalendarWidget {{
    background-color: {base};
}}
QCalendarWidget QWidget#qt_calendar_navigationbar {{
    background-color: {cal_bar};
    border-bottom: 1px solid {border};
}}
QCalendarWidget QToolButton {{
    color: {cal_bar_text};
    background: transparent;
    border: 1px solid transparent;
    font-weight: bold;
    padding: 2px 6px;
    qproperty-iconSize: 14px;
}}
QCalendarWidget QToolButton:hover {{
    background-color: {cal_bar_hover};
    border-color: {cal_bar_text};
}}
QCalendarWidget QToolButton::menu-indicator {{
    image: none;
    width: 0px;
}}
QCalendarWidget QMenu {{
    color: {text};
    background-color: {menu};
}}
QCalendarWidget QSpinBox {{
    color: {text};
    background-color: {base};
    padding-right: {spin_w}px;
}}
QCalendarWidget QAbstractItemView {{
    color: {text};
    background-color: {base};
    alternate-background-color: {base};
    selection-background-color: {accent};
    selection-color: {accent_text};
    outline: 0;
    border: none;
}}
QCalendarWidget QAbstractItemView:disabled {{
    color: {muted};
}}

/* Option buttons and check boxes. */
QRadioButton, QCheckBox {{
    color: {text};
    spacing: 4px;
    background: transparent;
}}
QRadioButton:disabled, QCheckBox:disabled {{
    color: {muted};
}}
QRadioButton::indicator, QCheckBox::indicator {{
    width: {ind}px;
    height: {ind}px;
    border: {ind_bw}px solid {strong};
    background-color: {base};
}}
QRadioButton::indicator {{
    border-radius: {ind_r}px;
}}
QCheckBox::indicator {{
    border-radius: {radius_small}px;
}}
QRadioButton::indicator:hover, QCheckBox::indicator:hover {{
    border-color: {accent};
}}
QRadioButton::indicator:checked {{
    border-color: {accent};
    background-color: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,
        stop:0 {accent}, stop:0.5 {accent}, stop:0.62 {base}, stop:1 {base});
}}
QCheckBox::indicator:checked {{
    border-color: {accent};
    background-color: {accent};
    background-clip: content;
    padding: {check_gap}px;
}}
QRadioButton::indicator:disabled, QCheckBox::indicator:disabled {{
    border-color: {disabled_border};
    background-color: {disabled_bg};
}}
QRadioButton::indicator:checked:disabled {{
    background-color: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,
        stop:0 {muted}, stop:0.5 {muted}, stop:0.62 {disabled_bg}, stop:1 {disabled_bg});
}}
QCheckBox::indicator:checked:disabled {{
    background-color: {muted};
}}

/* Lists and tables. */
QTreeView, QTableView, QListView {{
    color: {text};
    background-color: {base};
    alternate-background-color: {alt};
    border: {view_border};
    selection-background-color: {accent};
    selection-color: {accent_text};
    gridline-color: {border};
    outline: 0;
    font-size: {list_pt}pt;
}}
QTreeView {{
    qproperty-alternatingRowColors: true;
}}
QTreeView::item, QListView::item {{
    padding: {item_pad};
}}
QTreeView::item:hover, QListView::item:hover {{
    background-color: {row_hover};
    color: {row_hover_text};
}}
QTreeView::item:selected, QListView::item:selected {{
    background-color: {accent};
    color: {accent_text};
}}
QTreeView::item:selected:!active, QListView::item:selected:!active {{
    background-color: {select_soft};
    color: {select_soft_text};
}}
QTableView QTableCornerButton::section {{
    background-color: {header};
    border: 1px solid {border};
}}
QHeaderView {{
    background-color: {header};
}}
QHeaderView::section {{
    color: {header_text};
    background-color: {header};
    padding: {header_pad};
    border: none;
    border-right: 1px solid {border};
    border-bottom: {header_rule};
    font-size: {list_pt}pt;
    font-weight: bold;
}}
QHeaderView::section:hover {{
    background-color: {hover};
}}
QHeaderView::section:pressed {{
    background-color: {pressed};
}}

/* Tabs. */
QTabWidget::pane {{
    background-color: {panel};
    border: {bw}px solid {border};
    border-radius: {radius}px;
    top: -1px;
}}
QTabBar::tab {{
    color: {text};
    background-color: {tab};
    border: {bw}px solid {border};
    border-bottom: none;
    border-top-left-radius: {radius}px;
    border-top-right-radius: {radius}px;
    padding: {tab_pad};
    margin-right: 2px;
}}
QTabBar::tab:selected {{
    background-color: {panel};
    color: {title};
    font-weight: bold;
}}
QTabBar::tab:hover:!selected {{
    background-color: {hover};
}}
QTabBar::tab:disabled {{
    color: {muted};
}}

/* Scroll bars. */
QScrollBar:vertical {{
    background-color: {track};
    width: {scroll}px;
    margin: 0px;
    border: none;
}}
QScrollBar:horizontal {{
    background-color: {track};
    height: {scroll}px;
    margin: 0px;
    border: none;
}}
QScrollBar::handle:vertical {{
    background-color: {handle};
    min-height: 28px;
    margin: {handle_margin}px;
    border-radius: {handle_r}px;
    {handle_extra}
}}
QScrollBar::handle:horizontal {{
    background-color: {handle};
    min-width: 28px;
    margin: {handle_margin}px;
    border-radius: {handle_r}px;
    {handle_extra}
}}
QScrollBar::handle:hover {{
    background-color: {handle_hover};
}}
QScrollBar::add-line, QScrollBar::sub-line {{
    width: 0px;
    height: 0px;
    border: none;
    background: none;
}}
QScrollBar::add-page, QScrollBar::sub-page {{
    background: none;
}}

/* Progress bars. */
QProgressBar {{
    color: {text};
    background-color: {base};
    border: {edit_border};
    border-radius: {radius}px;
    text-align: center;
}}
QProgressBar::chunk {{
    background-color: {chunk};
    border-radius: {radius_small}px;
}}

/* Tooltips. */
QToolTip {{
    color: {tip_text};
    background-color: {tip};
    border: 1px solid {strong};
    padding: 3px 6px;
}}
"""


def derived(s):
    """Values every style computes from its own colours and sizes."""
    s = dict(s)
    classic = s.get("classic", False)
    contrast = s["name"] == "高对比度"
    s["fonts"] = FONTS
    s.setdefault("panel_pt", s["pt"])
    s["radius_big"] = s["radius"] + 1 if s["radius"] else 0
    s["radius_small"] = min(2, s["radius"])
    s["spin_w"] = max(16, s["ind"] + 5)
    s["drop_w"] = s["spin_w"] + 2
    s["arrow"] = 4 if s["pt"] < 11 else 5
    s["ind_bw"] = 2 if contrast else 1
    s["ind_r"] = s["ind"] // 2 + s["ind_bw"]
    s["check_gap"] = 2 if s["ind"] < 14 else 3
    s["menubar_pad"] = "4px 10px" if s["pt"] < 11 else "6px 14px"
    s["group_border"] = f"{s['bw']}px solid {s['border']}"
    s["edit_border"] = f"{s['bw']}px solid {s['strong'] if contrast else s['border']}"
    s["view_border"] = f"{s['bw']}px solid {s['border']}"
    s["button_bg"] = (
        f"qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 {s['button']}, stop:1 {s['button2']})"
    )
    s["button_border"] = f"{s['bw']}px solid {s['strong'] if contrast else s['border']}"
    s["button_hover_border"] = s["accent"]
    s["disabled_border"] = s["muted"] if contrast else s["border"]
    s["default_border"] = f"{max(2, s['bw'])}px solid {s['accent']}"
    s["focus_rule"] = f"border-color: {s['accent']};"
    s["button_pressed_extra"] = ""
    s["pressed_text"] = s["accent_text"] if contrast else s["button_text"]
    s["header_rule"] = f"1px solid {s['border']}"
    s["tab"] = s["header"]
    s["row_hover"] = s["select_soft"] if not contrast else "#1f3f9f"
    s["row_hover_text"] = s["text"] if not contrast else "#ffffff"
    s["select_soft_text"] = s["accent_text"] if contrast else s["text"]
    s["handle_margin"] = 2
    s["handle_r"] = max(0, s["scroll"] // 2 - 2) if s["radius"] else 0
    s["handle_extra"] = ""
    dark_bar = s["menubar"].lower() not in ("#ffffff", "#fafbfc", "#d4d0c8")
    s["menubar_hover"] = s["select_soft"] if not dark_bar else s["accent_hi"]
    s["menubar_hover_text"] = s["text"] if not dark_bar else s["accent_text"]
    if contrast:
        s["menubar_hover"], s["menubar_hover_text"] = s["accent"], s["accent_text"]
    s["cal_bar"] = s["accent"]
    s["cal_bar_text"] = s["accent_text"]
    s["cal_bar_hover"] = s["accent_hi"]
    if classic:
        # Raised buttons, sunken boxes: light top-left edges, dark bottom-right.
        raised = "border: 2px outset #ffffff; border-color: #ffffff #404040 #404040 #ffffff"
        s["button_border"] = "2px solid; border-color: #ffffff #404040 #404040 #ffffff"
        s["button_bg"] = s["button"]
        s["button_hover_border"] = "#ffffff #404040 #404040 #ffffff"
        s["button_pressed_extra"] = "border-color: #404040 #ffffff #ffffff #404040;"
        s["default_border"] = "2px solid; border-color: #000000 #000000 #000000 #000000"
        s["focus_rule"] = "outline: none;"
        s["edit_border"] = "2px solid; border-color: #808080 #ffffff #ffffff #808080"
        s["view_border"] = "2px solid; border-color: #808080 #ffffff #ffffff #808080"
        s["group_border"] = "1px solid #808080"
        s["header_rule"] = "1px solid #808080; border-top: 1px solid #ffffff; border-left: 1px solid #ffffff"
        s["tab"] = "#c8c4bc"
        s["row_hover"] = s["alt"]
        s["handle_margin"] = 0
        s["handle_extra"] = raised + ";"
        s["disabled_border"] = "#ffffff #404040 #404040 #ffffff"
        s["menubar_hover"], s["menubar_hover_text"] = s["accent"], s["accent_text"]
        del raised
    return s


def main():
    root = pathlib.Path(__file__).resolve().parent.parent / "styles"
    root.mkdir(exist_ok=True)
    for n, style in STYLES.items():
        values = dict(METRICS)
        values.update(style)
        values["n"] = n
        text = TEMPLATE.format(**derived(values))
        (root / f"U{n}.qzv").write_text(text, encoding="utf-8")
    print(f"wrote {len(STYLES)} styles to {root}", file=sys.stderr)


if __name__ == "__main__":
    main()
