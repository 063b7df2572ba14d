require 'minitest/autorun'
require 'plugin_host'
require 'mirror_oracle'

# Every edit a user makes reaches Korvan while the link runs: after each step, and after each
# undo back to the start and each redo to the end, korvan-peer reads what SketchUp draws. Run in
# both of SketchUp's observer orders, and with new Ruby objects handed out after undo and redo.
module LiveEditCases
  include PluginHost::FreshModel
  include MirrorOracle

  def setup
    super
    HostSim.defer_element_events = current_order?
    HostSim.fresh_objects_after_undo = fresh_objects?
  end

  def square(entities, x, y = 0, size = 10, z = 0)
    entities.add_face([x, y, z], [x + size, y, z], [x + size, y + size, z], [x, y + size, z])
  end

  # Five faces of a box standing on the ground; returns the top.
  def open_box(entities, x, size = 10)
    corners = [[x, 0], [x + size, 0], [x + size, size], [x, size]]
    corners.each_with_index do |(ax, ay), i|
      bx, by = corners[(i + 1) % 4]
      entities.add_face([ax, ay, 0], [bx, by, 0], [bx, by, size], [ax, ay, size])
    end
    entities.add_face(*corners.map { |cx, cy| [cx, cy, size] })
  end

  # A wall standing at y = -20 with a window glued to it that cuts an opening.
  def build_wall_with_window
    wall = @model.entities.add_face([0, -20, 0], [40, -20, 0], [40, -20, 30], [0, -20, 30])
    window = @model.definitions.add('Window')
    window.behavior.cuts_opening = true
    window.entities.add_edges([0, 0, 0], [6, 0, 0], [6, 8, 0], [0, 8, 0], [0, 0, 0])
    window.entities.add_face([1, 1, -1], [5, 1, -1], [5, 7, -1], [1, 7, -1])
    # The window's x along the wall, its y up, its z out of the wall's front.
    on_wall = Geom::Transformation.axes([5, -20, 10], [1, 0, 0], [0, 0, 1], [0, -1, 0])
    placement = @model.entities.add_instance(window, on_wall)
    placement.glued_to = wall
    @window = placement.entityID
  end

  # A group turned and lifted, opened for editing later; trees on a layer that a scene hides.
  def build_porch_and_scenes
    porch = @model.entities.add_group
    square(porch.entities, 0, 0, 6)
    porch.transform!(Geom::Transformation.translation([-30, 10, 3]) *
                     Geom::Transformation.rotation([0, 0, 0], [0, 0, 1], Math::PI / 6))
    @porch = porch.entityID
    trees = @model.entities.add_group
    square(trees.entities, 250, 0, 4)
    trees.layer = @model.layers.add('Trees')
    @model.pages.add('Summer')
    @model.pages.add('Winter').set_visibility(@model.layers['Trees'], false)
  end

  # A face on the ground, a group on its own layer, a component placed three times, a group to
  # erase later, two materials; a box, a wall with a window, a porch, two scenes.
  def build_model
    @red = @model.materials.add('Red')
    @red.color = Sketchup::Color.new(200, 30, 30)
    @blue = @model.materials.add('Blue')
    @blue.color = Sketchup::Color.new(30, 30, 200)
    @walls = @model.layers.add('Walls')
    @ground = square(@model.entities, 0).entityID
    group = @model.entities.add_group
    square(group.entities, 0, 30)
    group.layer = @walls
    @group = group.entityID
    chair = @model.definitions.add('Chair')
    square(chair.entities, 0, 0, 5)
    @chairs = [0, 20, 40].map do |x|
      @model.entities.add_instance(chair, Geom::Transformation.translation([x, 60, 0])).entityID
    end
    shed = @model.entities.add_group
    square(shed.entities, 60, 0)
    @shed = shed.entityID
    @box_top = open_box(@model.entities, 200).entityID
    build_wall_with_window
    build_porch_and_scenes
  end

  def find(id) = @model.find_entity_by_id(id)

  PUSH_PULL_TOOL = 21_041
  SELECT_TOOL = 21_022

  # Each step is one operation that one undo takes back, unless it says `undoable: false`
  # (scenes are not on the undo stack); `tool:` is picked before the operation.
  def steps
    [
      ['draw a face', -> { square(@model.entities, 100) }],
      ['draw and erase in one operation', lambda {
        square(@model.entities, 120).erase!
      }],
      ['move a group', -> { find(@group).transform!(Geom::Transformation.translation([5, 0, 2])) }],
      ['rotate a group', lambda {
        find(@group).transform!(Geom::Transformation.rotation([0, 0, 0], [0, 0, 1], Math::PI / 2))
      }],
      ['mirror a group', -> { find(@group).transform!(Geom::Transformation.scaling(-1, 1, 1)) }],
      ['paint front and back', lambda {
        face = find(@ground)
        face.material = 'Red'
        face.back_material = 'Blue'
      }],
      ['paint a group', -> { find(@group).material = 'Blue' }],
      ['hide an entity', -> { find(@ground).hidden = true }],
      ['unhide it', -> { find(@ground).hidden = false }],
      ['hide a layer', -> { @model.layers['Walls'].visible = false }],
      ['show it again', -> { @model.layers['Walls'].visible = true }],
      ['colour by layer', -> { @model.rendering_options['DisplayColorByLayer'] = true }],
      ['change a layer colour while colouring by layer', lambda {
        @model.layers['Walls'].color = Sketchup::Color.new(10, 200, 200)
      }],
      ['stop colouring by layer', -> { @model.rendering_options['DisplayColorByLayer'] = false }],
      ['edit a definition placed three times', lambda {
        square(@model.definitions['Chair'].entities, 0, 6, 3)
      }],
      ['make one placement unique', -> { find(@chairs[1]).make_unique }],
      ['give a placement another definition', lambda {
        find(@chairs[2]).definition = find(@chairs[1]).definition
      }],
      ['erase a group', -> { find(@shed).erase! }],
      ['push/pull the top of a box', -> { find(@box_top).pushpull(4) }, { tool: PUSH_PULL_TOOL }],
      ['move a window across its wall', lambda {
        find(@window).transform!(Geom::Transformation.translation([20, 0, 0]))
      }],
      ['open a group for editing', -> { @model.active_path = [find(@porch)] }],
      ['draw inside the open group', -> { square(find(@porch).entities, 1, 8, 3) }],
      ['move a face inside the open group', lambda {
        porch = find(@porch).entities
        porch.transform_entities(Geom::Transformation.translation([0, 0, 2]), porch.grep(Sketchup::Face).first)
      }],
      ['close the group', -> { @model.close_active }],
      ['select a scene that hides a layer', -> { @model.pages.selected_page = @model.pages['Winter'] },
       { undoable: false }],
      ['select a scene that shows it', -> { @model.pages.selected_page = @model.pages['Summer'] },
       { undoable: false }],
      ['add a material and paint with it', lambda {
        green = @model.materials.add('Green')
        green.color = Sketchup::Color.new(20, 180, 20)
        find(@ground).material = green
      }],
      ['change a material', -> { @model.materials['Green'].color = Sketchup::Color.new(250, 250, 0) }],
      ['remove a material', -> { @model.materials.remove(@model.materials['Green']) }]
    ]
  end

  # Lets the host go idle (its zero-second timers run), then waits for Korvan to agree.
  def assert_korvan_sees_the_model(what)
    HostSim.pump(0)
    assert_mirror_matches(@model, @path)
  rescue Minitest::Assertion => e
    raise Minitest::Assertion, "after #{what}: #{e.message}"
  end

  def start_linked
    build_model
    start_saved
    PluginHost.wait_until_published(@path)
    assert_korvan_sees_the_model('the start')
  end

  # { material name => geometry revision } of every material record.
  def revisions
    PluginHost.inspect_link(@path)['records'].select { |r| r['tag'] == 'SRFC' }
              .to_h { |r| [r['name'], r['geometryRevision']] }
  end

  def changed_since(before) = revisions.reject { |name, revision| before[name] == revision }.keys.sort

  def test_only_the_materials_an_edit_touches_are_sent_again
    start_linked
    find(@group).material = 'Blue'
    assert_korvan_sees_the_model('painting the group')

    before = revisions
    find(@ground).material = 'Red'
    assert_korvan_sees_the_model('painting one face')
    assert_equal ['Default material', 'Red'], changed_since(before), 'the material the face left and the one it took'

    before = revisions
    find(@group).transform!(Geom::Transformation.translation([0, 0, 7]))
    assert_korvan_sees_the_model('moving the group')
    assert_equal ['Blue'], changed_since(before)
  end

  # "TwinLink: Update Face" sends the selected face again: its material's batch is rewritten.
  def test_update_face_sends_the_selected_face_again
    start_linked
    @model.selection.add(find(@ground))
    before = revisions
    HostSim.open_context_menu.items.last.command.invoke
    deadline = Process.clock_gettime(Process::CLOCK_MONOTONIC) + 60
    sleep 0.005 while changed_since(before).empty? && Process.clock_gettime(Process::CLOCK_MONOTONIC) < deadline
    assert_equal ['Default material'], changed_since(before)
  end

  def test_a_burst_of_edits_loses_nothing_and_leaves_nothing_open
    start_linked
    group = find(@group)
    1000.times do |i|
      group = find(@group) if fresh_objects?
      if i.even?
        group.transform!(Geom::Transformation.translation([0.5, 0, 0]))
      else
        group.material = i % 4 == 1 ? 'Red' : 'Blue'
      end
      HostSim.pump(0)
    end
    assert_korvan_sees_the_model('the burst')
    assert PluginHost.inspect_link(@path)['lockTaken'], 'Korvan gets the shared lock'
    # A change left open would hold the next one back.
    find(@ground).material = 'Blue'
    assert_korvan_sees_the_model('an edit after the burst')
  end

  def test_every_edit_and_every_undo_and_redo_reach_korvan
    start_linked

    steps.each do |name, edit, options = {}|
      if options[:undoable] == false
        edit.call
      else
        HostSim.select_tool(options[:tool]) if options[:tool]
        @model.start_operation(name)
        edit.call
        @model.commit_operation
        HostSim.select_tool(SELECT_TOOL) if options[:tool]
      end
      assert_korvan_sees_the_model(name)
    end
    undoable = steps.reject { |_, _, options = {}| options[:undoable] == false }.map(&:first)
    undoable.reverse_each do |name|
      assert Sketchup.undo, "undo of #{name}"
      assert_korvan_sees_the_model("undo of #{name}")
    end
    undoable.each do |name|
      assert Sketchup.redo, "redo of #{name}"
      assert_korvan_sees_the_model("redo of #{name}")
    end
  end
end

# One suite per way SketchUp can report: [current order?, fresh objects after undo?].
{ '2017Order' => [false, false], 'CurrentOrder' => [true, false], 'CurrentOrderFreshObjects' => [true, true] }
  .each do |name, (current, fresh)|
    suite = Class.new(Minitest::Test) do
      include LiveEditCases
      define_method(:current_order?) { current }
      define_method(:fresh_objects?) { fresh }
    end
    Object.const_set("TestLiveEdits#{name}", suite)
  end
