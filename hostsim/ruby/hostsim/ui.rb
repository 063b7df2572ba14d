# SketchUp's UI and the host services around it: the console, the status bar, commands,
# toolbars, menus, timers, message boxes and HTML dialogs. Nothing is drawn; everything is
# recorded so that scripts can read it, click it, answer it and let time pass.
require_relative 'ui_constants'
require_relative 'console'
require_relative 'status_bar'
require_relative 'command'
require_relative 'toolbar'
require_relative 'menu'
require_relative 'context_menu'
require_relative 'timers'
require_relative 'message_box'
require_relative 'html_dialog'
