-- The adaptor's tests need only love.image: no window, no graphics.
function love.conf(t)
  t.identity = "q_veil_kit_tests"
  for _, module in ipairs({ "window", "graphics", "audio", "sound", "physics",
                            "joystick", "video", "touch", "mouse", "keyboard" }) do
    t.modules[module] = false
  end
end
