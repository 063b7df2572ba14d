require 'minitest/autorun'
require 'event_recorder'

# Scene pages, the view and its camera, rendering options, tools, the selection and the
# shadow settings, as scripts and observers see them.
class TestView < Minitest::Test
  def setup
    Sketchup.file_new
    @model = Sketchup.active_model
    @view = @model.active_view
  end

  def square(x)
    @model.entities.add_face([x, 0, 0], [x + 10, 0, 0], [x + 10, 10, 0], [x, 10, 0])
  end

  # --- pages ------------------------------------------------------------------------------

  def test_selecting_a_page_hides_what_it_hides_and_shows_what_the_previous_page_hid
    left = square(0)
    right = square(20)
    pages = @model.pages
    front = pages.add('Front')
    front.hidden_entities = [left]
    back = pages.add('Back')
    back.hidden_entities = [right]
    assert_equal [front, [left], [right]], [pages.selected_page, front.hidden_entities, back.hidden_entities]
    log = EventRecorder.new(:onContentsModified, :onViewChanged)
    pages.add_observer(log)
    @view.add_observer(log)

    [[back, false, true], [front, true, false]].each do |page, *hidden|
      pages.selected_page = page
      assert_equal [page, *hidden], [pages.selected_page, left.hidden?, right.hidden?]
    end
    assert_equal [[:onContentsModified, pages], [:onContentsModified, pages], [:onViewChanged, @view]] * 2, log.calls
  end

  def test_a_page_keeps_its_camera_and_brings_it_back_when_selected
    pages = @model.pages
    @view.camera = Sketchup::Camera.new([0, -100, 50], [0, 0, 50], [0, 0, 1])
    plan = pages.add('Plan')
    @view.camera = Sketchup::Camera.new([300, 0, 0], [0, 0, 0], [0, 0, 1])
    side = pages.add
    assert_equal ['Scene 2', [0, -100, 50], [300, 0, 0]], [side.name, plan.camera.eye.to_a, side.camera.eye.to_a]

    pages.selected_page = plan
    assert_equal [[0, -100, 50], [0, 0, 50]], [@view.camera.eye.to_a, @view.camera.target.to_a]

    @view.camera = Sketchup::Camera.new([1, 2, 3], [4, 5, 6], [0, 0, 1])
    assert side.update
    assert_equal [1, 2, 3], side.camera.eye.to_a, 'update stores the current camera'
    side.camera.fov = 60
    assert_equal [60.0, 30.0], [side.camera.fov, @view.camera.fov], "a page's camera is the page's own"

    side.name = 'Side'
    assert_equal [side, side, plan, 2], [pages['Side'], pages[1], pages[0], pages.size]
    assert_equal %w[Plan Side], pages.map(&:name)
  end

  # --- camera -----------------------------------------------------------------------------

  def test_a_new_camera_has_sketchups_defaults_and_an_up_square_to_the_line_of_sight
    camera = Sketchup::Camera.new([10, -10, 10], [0, 0, 0], [0, 0, 1])
    assert_equal [true, 30.0, false, Geom::Point3d, Geom::Vector3d],
                 [camera.perspective?, camera.fov, camera.is_2d?, camera.eye.class, camera.up.class]
    s6 = Math.sqrt(6)
    s3 = Math.sqrt(3)
    [-1 / s6, 1 / s6, 2 / s6, -1 / s3, 1 / s3, -1 / s3].zip(camera.up.to_a + camera.direction.to_a)
                                                        .each { |w, g| assert_in_delta w, g, 1e-12 }
    orthographic = Sketchup::Camera.new([0, 0, 100], [0, 0, 0], [0, 1, 0], false, 45)
    assert_equal [false, 45.0], [orthographic.perspective?, orthographic.fov]
  end

  def test_camera_changes_through_the_view_reach_the_model_and_its_observers
    log = EventRecorder.new(:onViewChanged)
    @view.add_observer(log)
    mine = Sketchup::Camera.new([10, -10, 10], [0, 0, 0], [0, 0, 1])
    @view.camera = mine
    live = @view.camera
    assert_equal [[10, -10, 10], [0, 0, 0]], [live.eye.to_a, live.target.to_a]

    live.fov = 50
    live.perspective = false
    live.is_2d = true
    live.set([0, -50, 0], [0, 0, 0], [0, 0, 1])
    fresh = @view.camera
    assert_equal [50.0, false, true, [0, -50, 0], [0, 0, 0], [0, 0, 1]],
                 [fresh.fov, fresh.perspective?, fresh.is_2d?, fresh.eye.to_a, fresh.target.to_a, fresh.up.to_a]
    assert_equal [[:onViewChanged, @view]] * 5, log.calls

    mine.fov = 70
    assert_equal [50.0, 5], [@view.camera.fov, log.calls.size], 'a camera of its own changes no view'
  end

  # --- rendering options ------------------------------------------------------------------

  def test_rendering_option_changes_report_sketchups_change_type
    options = @model.rendering_options
    log = EventRecorder.new(:onRenderingOptionsChanged)
    options.add_observer(log)
    assert_equal false, options['DisplayColorByLayer']
    options['DisplayColorByLayer'] = true
    options['DisplayColorByLayer'] = true # unchanged: no event
    options['DrawHidden'] = true
    assert_equal [[:onRenderingOptionsChanged, options, 16], [:onRenderingOptionsChanged, options, 27]], log.calls

    options['EdgeDisplayMode'] = 1
    options['FogStartDist'] = 0.25
    options['BackgroundName'] = 'Sky'
    values = options['EdgeDisplayMode'], options['FogStartDist'], options['BackgroundName'], options['NoSuchOption']
    assert_equal [1, 0.25, 'Sky', nil], values
    assert_equal [Integer, Float], values[0, 2].map(&:class)
    pairs = {}
    options.each { |key, value| pairs[key] = value }
    assert_equal options.keys.sort, pairs.keys.sort
    assert_equal [true, true, 1], pairs.values_at('DisplayColorByLayer', 'DrawHidden', 'EdgeDisplayMode')
    assert_raises(TypeError) { options['DrawHidden'] = [1] }
  end

  # --- tools ------------------------------------------------------------------------------

  def test_selecting_a_tool_tells_tools_observers_its_name_and_id
    tools = @model.tools
    assert_equal [21_022, 'SelectionTool'], [tools.active_tool_id, tools.active_tool_name]
    log = EventRecorder.new(:onActiveToolChanged)
    tools.add_observer(log)
    HostSim.select_tool(21_048, 'MoveTool')
    assert_equal [[:onActiveToolChanged, tools, 'MoveTool', 21_048]], log.calls
    assert_equal [21_048, 'MoveTool'], [tools.active_tool_id, tools.active_tool_name]
  end

  # --- selection --------------------------------------------------------------------------

  def test_selection_add_remove_toggle_and_clear
    a = square(0)
    b = square(20)
    c = square(40)
    selection = @model.selection
    log = EventRecorder.new(:onSelectionBulkChange)
    selection.add_observer(log)

    assert_equal [2, 0, 2], [selection.add(a, b), selection.add([a]), selection.toggle(b, c)], 'no change, no event'
    assert_equal [[a, c], a, c, 2], [selection.to_a, selection.first, selection[1], selection.size]
    assert_equal [true, false], [selection.include?(c), selection.contains?(b)]
    assert_equal 1, selection.remove(a)
    selection.clear
    assert selection.empty?
    assert_equal [[:onSelectionBulkChange, selection]] * 4, log.calls
    selection.add(b)
    b.erase!
    assert_equal [], selection.to_a, 'an erased entity leaves the selection'
    assert_raises(TypeError) { selection.add(b) }
  end

  # --- shadow info ------------------------------------------------------------------------

  def test_shadow_settings_belong_to_their_model
    settings = ->(model) { %w[DisplayShadows Latitude].map { |key| model.shadow_info[key] } }
    assert_equal [false, 40.017], settings[@model]
    @model.shadow_info['DisplayShadows'] = true
    @model.shadow_info['Latitude'] = 48.2
    assert_equal [true, 48.2], settings[@model]
    Sketchup.file_new
    assert_equal [[false, 40.017], [true, 48.2]], [settings[Sketchup.active_model], settings[@model]]
  end
end
