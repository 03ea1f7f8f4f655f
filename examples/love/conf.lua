function love.conf(t)
  t.identity = "q_veil_kit_paint"  -- the save folder's name
  t.version = "11.0"
  t.window.title = "Q_Veil_Kit paint bucket"
  t.window.width = 800
  t.window.height = 600
  t.window.resizable = true
  -- Not used: no sound, physics, joysticks or video.
  t.modules.audio = false
  t.modules.sound = false
  t.modules.physics = false
  t.modules.joystick = false
  t.modules.video = false
end
