/* The connection window's skin: a Qt style sheet. The program applies it when
   this file is present beside it; without it the window keeps its plain look.
   Wherever it sets a background it sets the text colour too, and what it leaves
   to the theme (frames, labels) takes both from the palette, so every text stays
   readable in light and dark themes alike. */

QPushButton {
  background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #fdfdfd, stop: 1 #e4e7ec);
  border: 1px solid #9aa3ae;
  border-radius: 3px;
  padding: 0px 2px;
  color: #1d2733;
}
QPushButton:hover {
  background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #d8e6f5);
  border-color: #4f7fb3;
}
QPushButton:pressed {
  background-color: #c9dbef;
}
QPushButton:focus {
  border-color: #2f6eb5;
}

QGroupBox {
  border: 1px solid #b4bcc6;
  border-radius: 4px;
  margin-top: 8px;
}
QGroupBox::title {
  subcontrol-origin: margin;
  left: 8px;
  padding: 0px 3px;
  color: palette(button-text);
}

QLineEdit {
  background-color: #ffffff;
  color: #1d2733;
  border: 1px solid #9aa3ae;
  border-radius: 2px;
  padding: 0px 3px;
  selection-background-color: #2f6eb5;
  selection-color: #ffffff;
}
QLineEdit:focus {
  border-color: #2f6eb5;
}
