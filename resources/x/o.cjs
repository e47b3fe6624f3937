/*
 * Tarnwick sample skin for the login window: a Qt style sheet.
 * To use it, copy this folder ("x", with "o.cjs" in it) beside the tarnwick executable.
 * Any Qt style sheet works here; controls carry their names as object names (#Text1, #Frame1).
 */

QWidget#Form1 {
    background-color: #e6eef0;
}

QGroupBox#Frame1 {
    background-color: #e6eef0;
    border: 1px solid #7a9ca3;
    border-radius: 4px;
    margin-top: 7px;
}

QGroupBox#Frame1::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 4px;
    color: #164f5c;
}

QLabel {
    background-color: transparent;
    color: #2f3e46;
}

QLineEdit {
    background-color: #ffffff;
    border: 1px solid #7a9ca3;
    border-radius: 3px;
    padding: 0 4px;
    selection-background-color: #237a86;
}

QLineEdit:focus {
    border: 1px solid #237a86;
}

QPushButton {
    color: #ffffff;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #2b8894, stop: 1 #1b5f6b);
    border: 1px solid #164f5c;
    border-radius: 4px;
}

QPushButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #349aa7, stop: 1 #21707d);
}

QPushButton:pressed {
    background-color: #164f5c;
}

QPushButton:focus {
    border: 2px solid #e88a2e;
}
