"""What the window scripts share: private X and Wayland sessions
(desktop_session), screenshot and picture pixels (screen_image), and the
game's program directory and window as seen from outside (game_window).

Each directory with such scripts (tests/ui, tests/package, bench) holds a
`support` link to this directory, so a script imports
`from support import desktop_session` however it is started.
"""
