require 'minitest/autorun'
require 'plugin_host'

# SketchUp's camera as Korvan reads it from the link's VIEW record, on start and on every view
# change, and the two commands that switch following it on and off.
class TestCamera < Minitest::Test
  include PluginHost::FreshModel

  IDENTITY = [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1].freeze

  def setup
    super
    PluginHost.square(@model.entities)
    @view = @model.active_view
  end

  # The VIEW record as korvan-peer reads it: [follow flag, camera].
  def view_record
    link = PluginHost.inspect_link(@path)
    assert_empty link['problems']
    record = link['records'].find { |r| r['tag'] == 'VIEW' } or flunk 'no VIEW record'
    [record['follow'], record['camera']]
  end

  def camera_commands
    ['Start camera synchronization', 'Stop camera synchronization'].select { |text| PluginHost.command(text).enabled? }
  end

  def assert_floats(expected, actual, message = nil)
    assert_equal expected.size, actual.size, message
    expected.zip(actual).each { |e, a| assert_in_delta e, a, 1e-6, message }
  end

  def look(eye, target, up = [0, 0, 1], perspective: true, fov: 30)
    @view.camera = Sketchup::Camera.new(eye, target, up, perspective, fov)
  end

  def test_the_start_sends_sketchups_camera_in_metres_and_the_renderers_axes_and_follows_it
    look([100, 200, 300], [100, 500, 300], fov: 50)
    start_saved
    follow, camera = view_record
    assert_equal 1, follow
    assert_equal [1, 50.0], [camera['projection'], camera['fieldOfView']]
    assert_floats [2.54, 7.62, 5.08], camera['eye']
    assert_floats [0, 0, 1], camera['direction']
    assert_floats [0, 1, 0], camera['up']
    assert_floats [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2.54, 7.62, 5.08, 1], camera['matrix']
    assert_equal ['Stop camera synchronization'], camera_commands

    # Every view change is sent at once, turned cameras too.
    look([0, 0, 0], [0, 0, -10], [0, 1, 0], fov: 35)
    follow, camera = view_record
    assert_equal [1, 35.0], [follow, camera['fieldOfView']]
    assert_floats [0, -1, 0], camera['direction'], 'looking straight down'
    assert_floats [1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1], camera['matrix']
  end

  def test_parallel_and_2d_views_are_written_but_not_followed_and_grey_both_commands
    start_saved
    look([0, -100, 0], [0, 0, 0], perspective: false)
    follow, camera = view_record
    assert_equal [0, 3, 0.0, IDENTITY], [follow, camera['projection'], camera['fieldOfView'], camera['matrix']]
    assert_floats [0, 0, -2.54], camera['eye']
    assert_floats [0, 0, 1], camera['direction']
    assert_empty camera_commands

    camera = @view.camera
    camera.is_2d = true
    follow, camera = view_record
    assert_equal [0, 2, IDENTITY], [follow, camera['projection'], camera['matrix']]
    assert_empty camera_commands

    # Following comes back with the perspective, since camera synchronisation stayed on.
    look([0, -100, 0], [0, 0, 0])
    assert_equal 1, view_record.first
    assert_equal ['Stop camera synchronization'], camera_commands
  end

  def test_the_commands_switch_following_and_the_camera_is_still_written_while_it_is_off
    start_saved
    PluginHost.command('Stop camera synchronization').invoke
    assert_equal 0, view_record.first
    assert_equal ['Start camera synchronization'], camera_commands

    look([10, 20, 30], [10, 20, 0], [0, 1, 0])
    follow, camera = view_record
    assert_equal 0, follow
    assert_floats [0.254, 0.762, 0.508], camera['eye']
    assert_floats [0, -1, 0], camera['direction']

    PluginHost.command('Start camera synchronization').invoke
    assert_equal 1, view_record.first
    assert_equal ['Stop camera synchronization'], camera_commands
  end

  def test_each_start_takes_camera_auto_sync_from_the_settings
    PluginHost.write_dword('CameraAutoSync', 0)
    start_saved
    assert_equal 0, view_record.first
    assert_equal ['Start camera synchronization'], camera_commands
    PluginHost.stop_link
    assert_empty camera_commands, 'no link, nothing to follow'

    PluginHost.write_dword('CameraAutoSync', 1)
    start
    assert_equal 1, view_record.first
  end
end
